// What the control's test programs share: the simulated serial camera they
// run against, a Progress sink, and the digest the simulator reports
// pictures by.
#pragma once

#include "platform/com/Dispatch.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/vantic/testsupport/SimProcess.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tarsel::lunet::test {

// The camera simulator on a pseudo-terminal that refuses speeds above index
// 3 (38400 baud), with delays off; the camera library's COM1 points at it,
// COM2..COM4 and USB at nothing in `dir`. Null when python3 cannot run.
std::unique_ptr<vantic::test::SimProcess> startSerialCamera(const tarsel::test::TempDir& dir,
                                                            const std::string& configFile);

std::string sha256Hex(std::span<const std::uint8_t> bytes);

// Keeps the percentages of Progress events; sets propCancel on `cancelFrom`
// at each one when given. Lives on the stack: its count is not kept.
class ProgressSink : public IDispatch {
public:
  HRESULT QueryInterface(const IID& iid, void** object) override;
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT GetIDsOfNames(std::string_view, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID id, WORD flags, std::span<com::Variant> args, com::Variant* result,
                 EXCEPINFO* info) override;

  std::vector<int> seen;
  IDispatch* cancelFrom = nullptr;
  DISPID cancelId = 3;
};

} // namespace tarsel::lunet::test
