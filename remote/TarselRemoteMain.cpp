// TarselRemote: sends one remote-control datagram to a running main program,
// so that scripts can trigger a picture. Usage:
//   TarselRemote [/RI[=value]] [/RC] [/CPFF[=value]] [/UK[=key]] [/CAPTURE] [/CAM=name] [computer]
// Exit code 0 when the datagram went out; 1, with the error's text on
// standard error, when the key cannot be derived or the datagram cannot be
// sent (for example when no main program runs on this computer).
#include "env/BrantelTakeError.h"
#include "env/TarselFileTime.h"
#include "platform/Win32Error.h"
#include "remote/MailSlotClient.h"
#include "remote/RemoteCommandLine.h"
#include "remote/RemoteDatagram.h"
#include "remote/RemoteKey.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace tarsel::remote;

// Longer datagrams did not cross between computers on the original platform;
// the warning stays for scripts that watch for it.
constexpr std::size_t kNetworkDatagramLimit = 424;

int fail(HRESULT code) {
  const _brantel_take_error error(code);
  std::fprintf(stderr, "TarselRemote: %s (0x%08X)\n", error.ErrorMessage(), static_cast<unsigned>(code));
  return 1;
}

int run(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  const RemoteCommandLine line = RemoteCommandLine::parse(args);
  const std::string text = line.messageText();

  XxteaKey key = builtInRemoteKey();
  if (line.userKey) {
    const HRESULT hr = mixUserKey(key, *line.userKey);
    if (FAILED(hr))
      return fail(hr);
  }

  const TarselFileTime now(false);
  const std::uint32_t nonce = nonceFrom(static_cast<std::uint64_t>(static_cast<std::int64_t>(now)),
                                        static_cast<std::uint32_t>(getpid()));
  const auto datagram = encodeDatagram(nonce, text, key);
  if (!datagram)
    return fail(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER));

  if (datagram->size() > kNetworkDatagramLimit) {
    std::fprintf(
        stderr,
        "Length of the command line minus length of UK parameter and computer name must be less than 421 "
        "characters.\n");
    std::fprintf(stderr, "Length of the specified command line is %zu.\n", datagram->size() - 4);
  }

  CMailSlotClient client(line.computer.c_str());
  const HRESULT hr = client.Write(datagram->data(), datagram->size());
  if (FAILED(hr))
    return fail(hr);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception&) {
    return fail(E_UNEXPECTED);
  }
}
