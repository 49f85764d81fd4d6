// The error-log trace of a failed control call: the family's header line,
// "ERROR: <message>(0x<code>) produced by <operation>", the camera's model,
// and the family's diagnostic text when it differs from the one written
// last (one text for the whole process, kept under a lock).
//
// Threads: any. Failure: never throws; a trace that cannot be written is lost.
#pragma once

#include "hostapi/Win32Types.h"

#include <string>

class ICameraHiLevel;

namespace tarsel::lunet {

// The operation a call text names: after "return" its first 7 characters
// are skipped, then what follows the first '.', cut at the first '('
// ("return (LPCTSTR)m_Lunet.GetPropCameraID()" gives "GetPropCameraID").
std::string OperationName(const char* callText);

// The entry's text (without the diagnostic block).
std::string TraceText(HRESULT code, const char* callText, ICameraHiLevel* camera);

// Writes the entry; `camera` may be null.
void WriteLunetTrace(HRESULT code, const char* callText, ICameraHiLevel* camera) noexcept;

} // namespace tarsel::lunet
