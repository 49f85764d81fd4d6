#include "app/receiver/RemoteDatagramHandler.h"

#include "remote/RemoteCommand.h"
#include "remote/RemoteDatagram.h"
#include "remote/RemoteKey.h"

namespace tarsel::receiver {

bool IsAcceptedRemoteDatagram(std::span<const std::uint8_t> bytes) {
  const auto text = remote::decodeDatagram(bytes, remote::builtInRemoteKey());
  if (!text)
    return false;
  const auto command = remote::parseCommandText(*text);
  return command && command->capture;
}

long OnRemoteDatagram(IRemoteCommandTarget& frame, std::span<const std::uint8_t> bytes) {
  const auto text = remote::decodeDatagram(bytes, remote::builtInRemoteKey());
  if (!text)
    return 0;
  ExecuteRemoteCommand(frame, *text);
  return 0;
}

void ExecuteRemoteCommand(IRemoteCommandTarget& frame, std::string_view text) {
  const auto command = remote::parseCommandText(text);
  if (!command || !command->capture)
    return;
  // However many CAPTURE items the datagram holds, it asks for one take.
  frame.PostFrameCommand(kAllCamerasTakePicture);
}

} // namespace tarsel::receiver
