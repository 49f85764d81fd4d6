// The FTP saver's settings key "FTP": the server last used ("Server") and
// one sub-key per server (CFtpServerSettings). Opened read-only or writable
// for one operation and released on every path. Any thread; one object per
// thread. Failures to open are thrown with their code.
#pragma once

#include "hostapi/ISaverSettings.h"
#include "hostapi/RefPtr.h"
#include "savers/ftp/FtpServerSettings.h"

#include <string>
#include <vector>

class ITarselSettings;

namespace tarsel::ftpsaver {

inline constexpr const char* kSaverName = "FTP";

class CFtpSettings {
public:
  CFtpSettings(ITarselSettings* settings, bool readOnly);

  // "Server", one pair of surrounding quotes removed and environment
  // variables expanded.
  const std::string& GetServer() const { return m_server; }
  void SetServer(const std::string& server);
  // The sub-key of `server` (created when writable); a name that cannot be a
  // key name (empty, or with a backslash) is refused with 123.
  CFtpServerSettings OpenServerKey(const std::string& server) const;
  // The names of the servers that have a sub-key.
  std::vector<std::string> ServerNames() const;

private:
  CRefPtr<ISaverSettings> m_key;
  bool m_readOnly;
  std::string m_server;
};

} // namespace tarsel::ftpsaver
