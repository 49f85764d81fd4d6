// The operating system's version and the administrator test. On Linux the
// system counts as a modern NT-line system (IsNT and IsNT5 are true); the
// tests for particular Windows releases are false.
#pragma once

#include "TarselEnv_export.h"
#include "hostapi/Win32Types.h"

#include <string>

class TARSELENV_EXPORT CSysVersion {
public:
  CSysVersion();

  bool IsNT() const;
  bool IsNT4() const;
  bool IsNT5() const;
  bool Is2000() const;
  bool IsXP() const;
  bool IsSv2003() const;
  bool IsVista() const;
  bool Is95() const;
  bool Is98() const;
  bool IsMe() const;
  bool IsLinux() const;
  // The release text (kernel release), in the place of the service pack.
  const char* ServicePack() const;
  // The system's name for logs and reports (the distribution's PRETTY_NAME,
  // else the kernel's name and release).
  const char* SystemName() const;

private:
  std::string m_servicePack;
  std::string m_systemName;
};

TARSELENV_EXPORT bool IsNT();
TARSELENV_EXPORT bool IsNT5();

// True when the process runs with administrator rights: effective user id 0,
// or membership of the "sudo", "wheel" or "admin" group. `token` is kept for
// the callers' shape and must be null.
TARSELENV_EXPORT bool IsAdmin(HANDLE token = nullptr);
