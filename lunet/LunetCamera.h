// What the Lunet control does with the camera library: the control's own
// properties (port and speed choice, cancel flag, current picture and
// folder), Connect with its port and speed search, and the conventions every
// member follows: keep the library's result, raise it when it is not 0
// (LunetRaise), wait until the camera is ready again, all within the
// control's time bounds (LunetTimings, CallScope); picture
// transfers through a caller's byte array with progress; structures written
// into and read out of caller arrays, checked against the array's length.
// The camera library's state is process-wide, so every member runs under one
// process-wide recursive lock (a progress handler may call back in on the
// same thread). Used by the thread that calls the control.
#pragma once

#include "platform/com/Variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace tarsel::lunet {

// The control's own codes.
inline constexpr int kMemoryError = 101;        // no array data, or an array too short
inline constexpr int kWrongPreviewNumber = 102; // GetPreview with a current picture other than 0
inline constexpr int kNoPortFound = 255;        // Connect found no port
inline constexpr int kNotResponding = 12;       // the camera never became ready

// A member's failure, raised with the library's (or the control's) code.
struct LunetRaise {
  int code;
};

// The control's time bounds. Each member's camera calls end once the camera
// has not answered for answerWaitMs; a member waits at most readyWaitMs for
// the camera to be ready again. After the camera stopped answering (or never
// became ready), the next member first asks once, within probeMs, and fails
// at once with 12 while the camera still does not answer.
struct LunetTimings {
  int readyWaitMs = 60000;  // the longest a member waits for the camera to be ready (longest busy time 40 s)
  int readyPollMs = 500;    // between two asks
  int answerWaitMs = 12000; // four tries of six 500 ms reply waits: the longest exchange with a silent camera
  int probeMs = 1000;       // two reply waits
};

class LunetCamera {
public:
  enum class Download { Thumbnail, Picture, Preview };
  // How a member meets the camera: not at all; as a member (probe first when
  // the camera stopped answering); or as a call that reports by result
  // (Connect, DisConnect, propCameraReady), which is itself the probe.
  enum class Call { None, Member, Reporting };

  // The time bounds of one member's camera calls, from construction to
  // destruction (the library's limit is removed on every way out).
  class CallScope {
  public:
    CallScope(LunetCamera& camera, Call call);
    ~CallScope();
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

  private:
    bool m_limited = false;
  };

  explicit LunetCamera(LunetTimings timings = {});

  static std::recursive_mutex& lock();

  long propSpeed = 0;
  long propPort = 0;
  long propCancel = 0;
  long propCurrentPicture = 1;
  long propFolderNo = 1; // folders are numbered from 1
  long portHandle = 0;
  long lastResult = 0;

  // Called with the percentage during transfers (not with the lock released).
  std::function<void(short)> onProgress;

  long connect();
  long disconnect();

  // Keeps `rc` and raises it when not 0.
  void raiseIf(int rc);
  // Keeps `rc`; raises it when not 0; else waits until ready.
  void check(int rc);
  // A plain register read: waits until ready, then gives the value as it came (-1 on failure).
  long plain(int value);
  // Raises 12 when the camera is not ready within the bound, or the code
  // of a camera that stopped answering.
  void waitReady();
  // Cam_ready, no waiting.
  bool readyNow();
  void setTimings(const LunetTimings& timings) { m_timings = timings; }

  // The text of at most `bound` bytes, ending at the first NUL.
  static std::string text(const char* bytes, std::size_t bound);

  void download(Download kind, long size, const com::Variant& array);
  void upload(long size, const com::Variant& array);

  // Raises 101 unless the variant holds an array with data of at least `size` bytes.
  static void requireArray(const com::Variant& array, std::size_t size);
  // A structure's bytes into a caller's array, or the first `size` bytes of
  // one; both raise 101 for no array data or an array shorter than that.
  static void toArray(std::span<const std::uint8_t> bytes, const com::Variant& array);
  static std::vector<std::uint8_t> fromArray(const com::Variant& array, std::size_t size);

private:
  static int progressCallback(intptr_t user, int reserved, short percent);
  // The array of a transfer of `size` bytes; keeps and raises 101 when it cannot hold them.
  std::shared_ptr<com::ByteArray> transferArray(const com::Variant& variant, long size);

  // Keeps what a result says about the camera answering.
  void noteAnswer(int rc);

  LunetTimings m_timings;
  bool m_unresponsive = false;
};

// Little-endian words of a structure into bytes and back.
std::vector<std::uint8_t> bytesOfWords(std::span<const std::int32_t> words);
std::vector<std::int32_t> wordsOfBytes(std::span<const std::uint8_t> bytes);

} // namespace tarsel::lunet
