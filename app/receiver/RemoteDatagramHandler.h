// The main frame's handling of a remote-control datagram, on the
// user-interface thread: decipher it under the built-in key, check for "MSL"
// at offset 4, parse the command text after it and, when it holds a CAPTURE
// item, post "All Cameras Take Picture" to the frame once.
// Datagrams that do not decode (too short, wrong length, another key, no
// "MSL") and texts that do not begin with "?" are dropped silently; no byte
// outside the datagram is read. RI, RC, CPFF and CAM items are recognised and
// ignored. An allocation failure is thrown to the caller (the frame's event
// handler catches it, as every handler does).
#pragma once

#include "TarselReceiver_export.h"
#include "app/receiver/RemoteCommandTarget.h"
#include "hostapi/Win32Types.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace tarsel::receiver {

// "All Cameras Take Picture".
inline constexpr UINT kAllCamerasTakePicture = 32818;

// Whether the datagram decodes under the built-in key and holds a command
// text that parses and asks for something (a CAPTURE item); pure, safe from any thread (the mailslot's reader
// uses it to drop everything else before it reaches the user-interface thread).
TARSELRECEIVER_EXPORT bool IsAcceptedRemoteDatagram(std::span<const std::uint8_t> bytes);

// Handles one datagram; returns 0.
TARSELRECEIVER_EXPORT long OnRemoteDatagram(IRemoteCommandTarget& frame, std::span<const std::uint8_t> bytes);

// Parses and runs the command text that follows "MSL".
TARSELRECEIVER_EXPORT void ExecuteRemoteCommand(IRemoteCommandTarget& frame, std::string_view text);

} // namespace tarsel::receiver
