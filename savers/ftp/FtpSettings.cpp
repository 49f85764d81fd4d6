#include "savers/ftp/FtpSettings.h"

#include "env/BrantelTakeError.h"
#include "env/FileSystem.h"
#include "hostapi/ISaverSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/Win32Error.h"
#include "savers/common/SettingsString.h"

#include <cstring>

namespace tarsel::ftpsaver {

namespace {

constexpr const char* kServer = "Server";

// The key list block, given back through FreeKeyList on every path.
struct KeyList {
  ISaverSettings& key;
  char* names = nullptr;
  ~KeyList() {
    if (names)
      key.FreeKeyList(names);
  }
};

} // namespace

CFtpSettings::CFtpSettings(ITarselSettings* settings, bool readOnly) : m_readOnly(readOnly) {
  if (!settings)
    ThrowError(E_POINTER);
  ISaverSettings* opened = nullptr;
  const LONG result = settings->GetSaverSettings(kSaverName, &opened, readOnly);
  m_key.Attach(opened);
  ThrowIfFailed(result, kSaverName);
  if (!m_key)
    ThrowError(E_POINTER, kSaverName);
  m_server = ExpandQuotedPath(savers::ReadString(*m_key, kServer));
}

void CFtpSettings::SetServer(const std::string& server) {
  ThrowIfFailed(m_key->SetString(kServer, server.c_str()), kServer);
  m_server = server;
}

CFtpServerSettings CFtpSettings::OpenServerKey(const std::string& server) const {
  // A backslash would open a deeper key; an empty name would write the
  // server's values into the saver's own key.
  if (server.empty() || server.find('\\') != std::string::npos)
    ThrowError(static_cast<HRESULT>(ERROR_INVALID_NAME), server.c_str());
  ISaverSettings* opened = nullptr;
  const LONG result = m_key->OpenSubKey(server.c_str(), m_readOnly, &opened);
  CRefPtr<ISaverSettings> subKey;
  subKey.Attach(opened);
  ThrowIfFailed(result, server.c_str());
  return CFtpServerSettings(std::move(subKey));
}

std::vector<std::string> CFtpSettings::ServerNames() const {
  std::vector<std::string> names;
  KeyList list{*m_key};
  if (m_key->EnumSubKeys(&list.names) != 0 || !list.names)
    return names;
  for (const char* name = list.names; *name; name += std::strlen(name) + 1)
    names.emplace_back(name);
  return names;
}

} // namespace tarsel::ftpsaver
