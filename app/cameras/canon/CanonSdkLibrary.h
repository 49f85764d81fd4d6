// The Canon SDK library as the family reaches it: loaded at run time
// (libCDSDK.so from the program's folder, else the file TARSEL_CDSDK names),
// started with the version record 7.3, and its process-wide function table,
// through which every other call goes. The table is all zero while the
// library is not started, so no entry can be called then.
//
// Threads: LoadCanonSdk and FinishCanonSdk run under the family's lock
// (creation and release of the SDK object); the table is only read between
// them. Failure: LoadCanonSdk throws 126 (library missing) or 127 (export
// missing) with the loader's text, or the Canon error of a start or table
// call that failed; a failed load leaves nothing loaded or started.
// FinishCanonSdk never throws.
//
// UseCanonSdkTable is for tests that answer in the SDK's place: the family
// calls the given table as a started SDK's, with no library loaded (the load
// then does nothing) until FinishCanonSdk forgets it.
#pragma once

#include "app/cameras/canon/CdSdkAbi.h"

#include <string>

namespace tarsel::canon {

// The library beside the running program, else TARSEL_CDSDK when set.
std::string CanonSdkLibraryPath();
void LoadCanonSdk(const std::string& path = CanonSdkLibraryPath());
void FinishCanonSdk() noexcept;
bool IsCanonSdkStarted();
const CanonSdkFunctionTable& CanonSdkTable();
void UseCanonSdkTable(const CanonSdkFunctionTable& table);

} // namespace tarsel::canon
