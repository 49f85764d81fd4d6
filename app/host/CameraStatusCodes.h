// The codes of CameraStatusEvent, one vocabulary for the camera host's jobs
// and the camera's status sink (producers) and the camera window (consumer).
// The argument that goes with each code is named beside it.
#pragma once

#include <cstdint>

namespace tarsel::host {

// A picture was taken; the event carries it.
inline constexpr std::int32_t StatusPictureTaken = 0;
// One camera's picture of an all-cameras take; the event carries it and the ticket.
inline constexpr std::int32_t StatusSynchronizedPicture = 1;
// Loading progress: argument the percentage, negative for none.
inline constexpr std::int32_t StatusLoading = 3;
// A status-line message: argument the string id.
inline constexpr std::int32_t StatusMessage = 4;
// The camera asks for a battery check.
inline constexpr std::int32_t StatusBattery = 5;
// A download job ended; the event carries the picture.
inline constexpr std::int32_t StatusJobEnded = 6;
// The camera asks for another shot of the running take.
inline constexpr std::int32_t StatusRepeatShot = 7;
// A job failed: argument the error code.
inline constexpr std::int32_t StatusJobFailed = 10000;
// One camera's part of an all-cameras take failed: argument the error code; the event carries the ticket.
inline constexpr std::int32_t StatusSynchronizedFailed = 10001;

} // namespace tarsel::host
