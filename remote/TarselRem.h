// The sender library's two calls: each builds one remote-control datagram,
// enciphers it and writes it to the main program's mailslot on the named
// computer (null, empty or "." for this one; "*" for every computer on the
// local networks). A null text leaves its item out; an empty RI or CPFF value
// gives the bare keyword. A user key (not null, even empty) is mixed into the
// cipher key; the receiver does not know it and drops such datagrams.
// Results: 0; 0x80070002 when no main program runs on this computer; a Win32
// error c as (c & 0xFFFF) | 0x80070000; E_FAIL when the key cannot be
// derived; 0x8000FFFF for anything else. Safe from any thread; no state.
#pragma once

#include "TarselRem_export.h"
#include "hostapi/Win32Types.h"

extern "C" {

// Items in the order RI, RC, CPFF, CAPTURE, CAM=camera.
TARSELREM_EXPORT HRESULT TarselRemote(BOOL capture, const char* camera, const char* computer,
                                      const char* userKey, const char* ri, const char* cpff, BOOL rc);

// The same without a camera item.
TARSELREM_EXPORT HRESULT TarselControl(BOOL capture, const char* computer, const char* userKey,
                                       const char* ri, const char* cpff, BOOL rc);
}
