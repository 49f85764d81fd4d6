// The tap between the Canon family and the SDK stand-in: a library with the
// SDK's three exports that loads the stand-in (CDSDK_TAP_TARGET, else
// libCDSDK.so beside the tap), passes every call on, stamps each release
// (CLOCK_MONOTONIC, at the release entry's start) and, when CDSDK_TAP_KEPT
// names a folder, writes every item a release delivers there as
// "cdsdk<camera>-<release>-<item>.<jpg|bin>" (release numbered from 1 in
// this process), so a program's saved pictures can be compared with the
// stand-in's. The stand-in runs inside the program's process, so this is how
// a measuring tool or the main job sees what it delivered.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// Copies the stamps (nanoseconds) of the first `size` releases into `out`;
// returns how many releases were stamped in all.
std::size_t cdsdk_tap_releases(std::uint64_t* out, std::size_t size);
}

// The tap's file name, for dlopen and dlsym.
inline constexpr const char* kCdSdkTapLibrary = "libCDSDKTap.so";
