// Fuzz target of the camera's replies on the serial/USB link: the bytes are
// what the camera answers to a register read and then to an object read
// (block headers, lengths, sequence numbers, checksums, control bytes), with
// silence after them. Reads never wait, so each input runs in a moment.
#include "vantic/CameraLink.h"
#include "vantic/SessionState.h"
#include "vantic/Timings.h"
#include "vantic/tests/ScriptedPort.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace tarsel::vantic;
using tarsel::vantic::test::Bytes;
using tarsel::vantic::test::ScriptedPort;

namespace {

void exchange(const Bytes& answer, bool usb, const std::function<void(CameraLink&)>& run) {
  ScriptedPort port;
  port.usbPresent = usb;
  bool answered = false;
  port.camera = [&](const Bytes&) {
    if (answered)
      return Bytes{};
    answered = true;
    return answer;
  };
  SessionState state;
  state.portHandle = usb ? port.usbOpen(CAM_PORT_USB, &state.usb) : port.open(1, 19200, 8);
  if (state.portHandle < 0)
    std::abort();
  state.setState(State::Open);
  Timings timings;
  timings.replyMs = 1;
  timings.delayAfterControlMs = 0;
  timings.pendingLookMs = 0;
  timings.blockSlackUnits = 1;
  CameraLink link(port, state, timings);
  run(link);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  // The first byte picks the port and the register; the rest is the answer.
  const bool usb = (data[0] & 0x80) != 0;
  const int reg = data[0] & 0x7F;
  const Bytes answer(data + 1, data + size);
  exchange(answer, usb, [&](CameraLink& link) {
    std::uint32_t value = 0;
    link.readRegister(reg, value);
  });
  exchange(answer, usb, [&](CameraLink& link) {
    std::size_t total = 0;
    BlockHandlers handlers;
    handlers.beforeBlock = [] { return 0; };
    handlers.accept = [&](std::span<const std::uint8_t> payload, bool) {
      total += payload.size();
      return total > size ? 1 : 0;
    };
    link.readBlocks(reg, handlers);
  });
  return 0;
}
