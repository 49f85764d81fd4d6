// The FTP client's error codes and the message table of its facility 0x202:
// a server reply n becomes the code 0x82020000 + n; the table holds the texts
// of the replies the client meets and of its own two codes. The saver
// registers the table with its facility when it is loaded.
#pragma once

#include "env/MessageTable.h"
#include "hostapi/Win32Types.h"

namespace tarsel::ftp {

inline constexpr unsigned long kFacility = 0x202;
// Base of a reply's code: 0x82020000 OR the reply number.
inline constexpr HRESULT kReplyBase = static_cast<HRESULT>(0x82020000u);
// Server name, user name or password missing.
inline constexpr HRESULT kParametersMissing = static_cast<HRESULT>(0x820207D1u);
// A directory path the client cannot use (".." in it, a line break).
inline constexpr HRESULT kBadPathSyntax = static_cast<HRESULT>(0x820207D2u);

// The code that stands for reply number `reply`.
constexpr HRESULT ReplyCode(unsigned reply) {
  return static_cast<HRESULT>(static_cast<DWORD>(kReplyBase) | reply);
}

// Refusals of the session engine.
inline constexpr HRESULT kAlreadyConnected = 1247;                          // ERROR_ALREADY_INITIALIZED
inline constexpr HRESULT kBusy = 170;                                       // ERROR_BUSY
inline constexpr HRESULT kNotConnected = static_cast<HRESULT>(0x80040007u); // OLE_E_NOTRUNNING
inline constexpr HRESULT kConnectionsDropped = static_cast<HRESULT>(0x800401E1u);
inline constexpr HRESULT kNoTransfer = static_cast<HRESULT>(0x80040005u);
// An exchange step that did not end within the watchdog's time.
inline constexpr HRESULT kWaitTimeout = 258;  // WAIT_TIMEOUT
inline constexpr HRESULT kInterrupted = 1223; // ERROR_CANCELLED

const MessageTable& FtpMessageTable();

} // namespace tarsel::ftp
