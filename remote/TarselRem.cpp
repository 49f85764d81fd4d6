#include "remote/TarselRem.h"

#include "platform/Win32Error.h"
#include "remote/MailSlotClient.h"
#include "remote/RemoteCommand.h"
#include "remote/RemoteDatagram.h"
#include "remote/RemoteKey.h"

#include <string>

namespace {

using namespace tarsel::remote;

HRESULT sendDatagram(BOOL capture, const char* camera, const char* computer, const char* userKey,
                     const char* ri, const char* cpff, BOOL rc) {
  const std::string text = libraryMessageText(capture != 0, camera, ri, cpff, rc != 0);
  XxteaKey key = builtInRemoteKey();
  if (userKey) {
    const HRESULT hr = mixUserKey(key, userKey);
    if (FAILED(hr))
      return hr;
  }
  const auto datagram = encodeDatagram(currentNonce(), text, key);
  if (!datagram)
    return HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);
  CMailSlotClient client(computer);
  return client.Write(datagram->data(), datagram->size());
}

} // namespace

extern "C" HRESULT TarselRemote(BOOL capture, const char* camera, const char* computer, const char* userKey,
                                const char* ri, const char* cpff, BOOL rc) {
  try {
    return sendDatagram(capture, camera, computer, userKey, ri, cpff, rc);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

extern "C" HRESULT TarselControl(BOOL capture, const char* computer, const char* userKey, const char* ri,
                                 const char* cpff, BOOL rc) {
  try {
    return sendDatagram(capture, nullptr, computer, userKey, ri, cpff, rc);
  } catch (...) {
    return E_UNEXPECTED;
  }
}
