// The test controls of the stand-in library: C functions it exports besides
// the SDK's three, found with dlsym by tests (the family never calls them),
// and a small loader that finds them all in a loaded library. Controls may be
// called from any thread; each takes the library's lock.
#pragma once

#include <cstddef>
#include <cstdint>

#include <dlfcn.h>

#include <algorithm>
#include <string>

extern "C" {

// What the library counted since the last reset. Open handles are those not
// released yet (volumes, which are never released, are not counted).
struct CdSimStats {
  std::uint32_t started; // 1 between CDStartSDK and CDFinishSDK
  std::uint32_t openSources;
  std::uint32_t openEnumerations;
  std::uint32_t openPropertyHandles;
  std::uint32_t openRegistrations;
  std::uint32_t remoteModes; // sources in remote-release mode
  std::uint32_t runningViewfinders;
  std::uint32_t openBrackets;       // sources with entry 100 called and 104 not yet
  std::uint32_t invalidHandleCalls; // unknown, released or wrong-kind handles
  std::uint32_t illegalCalls;       // out of order, bad constants, outside start/finish
  std::uint32_t overlappingCalls;   // a call on a source while another thread is inside one
  std::uint32_t slowCallbacks;      // event or frame call-backs that took over 200 ms
  std::uint32_t notImplementedCalls;
  std::uint32_t injectedFailures;
  std::uint32_t releases;
  std::uint32_t transfers;
  std::uint32_t framesDelivered;
  std::uint32_t eventsDelivered;
};

// A fresh state: cameras from `config` (the CDSIM_CONFIG text form; null: the
// built-in defaults), counters, log and failures cleared; a running SDK is
// finished first. Returns 0, or -1 with the reason in the log.
int cdsim_reset(const char* config);
// The next `count` calls of the entry at byte offset `entry` return `code`
// without acting; count 0 removes the rule, 0xFFFFFFFF fails every call.
void cdsim_fail(std::uint32_t entry, std::uint32_t code, std::uint32_t count);
// As cdsim_fail, after `skip` calls of the entry that act normally.
void cdsim_fail_after(std::uint32_t entry, std::uint32_t skip, std::uint32_t code, std::uint32_t count);
// Delivers an event to the camera's registered call-back on the event thread
// and returns its answer; -1 when nothing is registered or it did not answer
// within five seconds.
std::int64_t cdsim_fire_event(int camera, std::uint32_t event, const void* data, std::uint32_t size);
// Unplugging makes every call on the camera's handles fail with 0x80 (a running
// transfer at its next chunk); plugging it back shows it to the next enumeration.
// Reset and plug refuse (-1) when called from a call-back of the library.
int cdsim_unplug(int camera);
int cdsim_plug(int camera);
void cdsim_set_frame_rate(std::uint32_t framesPerSecond);
// Transfer write size in bytes; 0: odd sizes of 1..4097 bytes.
void cdsim_set_chunking(std::uint32_t bytes);
// The call log, one text line per call ("<ms> <thread> <Entry>(<offset>) <args> -> 0x<result>"),
// NUL-terminated into buffer (cut to size); returns the length of the whole log.
std::size_t cdsim_log(char* buffer, std::size_t size);
void cdsim_stats(CdSimStats* out);
// The bytes of item `item` of the camera's last release, as the library
// delivers them; returns the item's size (copying at most `size` bytes), or 0.
std::size_t cdsim_payload(int camera, std::uint32_t item, void* buffer, std::size_t size);
// The strict check: 0 when no handle is open, no remote mode, viewfinder or
// bracket is left and no invalid, illegal or overlapping call was made;
// otherwise 1 and the reasons (NUL-terminated, cut to size).
int cdsim_check_clean(char* buffer, std::size_t size);
}

namespace tarsel::cdsim {

// The controls of a loaded stand-in; `ok` tells whether every one was found.
struct CdSimControls {
  decltype(&cdsim_reset) reset = nullptr;
  decltype(&cdsim_fail) fail = nullptr;
  decltype(&cdsim_fail_after) failAfter = nullptr;
  decltype(&cdsim_fire_event) fireEvent = nullptr;
  decltype(&cdsim_unplug) unplug = nullptr;
  decltype(&cdsim_plug) plug = nullptr;
  decltype(&cdsim_set_frame_rate) setFrameRate = nullptr;
  decltype(&cdsim_set_chunking) setChunking = nullptr;
  decltype(&cdsim_log) log = nullptr;
  decltype(&cdsim_stats) stats = nullptr;
  decltype(&cdsim_payload) payload = nullptr;
  decltype(&cdsim_check_clean) checkClean = nullptr;
  bool ok = false;

  explicit CdSimControls(void* library) {
    ok = find(library, "cdsim_reset", reset) & find(library, "cdsim_fail", fail) &
         find(library, "cdsim_fail_after", failAfter) & find(library, "cdsim_fire_event", fireEvent) &
         find(library, "cdsim_unplug", unplug) & find(library, "cdsim_plug", plug) &
         find(library, "cdsim_set_frame_rate", setFrameRate) &
         find(library, "cdsim_set_chunking", setChunking) & find(library, "cdsim_log", log) &
         find(library, "cdsim_stats", stats) & find(library, "cdsim_payload", payload) &
         find(library, "cdsim_check_clean", checkClean);
  }

  // The call log as one text.
  std::string logText() const {
    std::string text(log(nullptr, 0) + 1, '\0');
    const std::size_t length = log(text.data(), text.size());
    text.resize(std::min(length, text.size() - 1)); // a log that grew meanwhile is cut
    return text;
  }

  // What the strict check found; empty when everything was closed and in order.
  std::string problemsText() const {
    std::string text(65536, '\0');
    if (checkClean(text.data(), text.size()) == 0)
      return {};
    text.resize(text.find('\0'));
    return text;
  }

private:
  template <typename F> static bool find(void* library, const char* name, F& out) {
    out = library ? reinterpret_cast<F>(dlsym(library, name)) : nullptr;
    return out != nullptr;
  }
};

} // namespace tarsel::cdsim
