// The suite's per-user folders: "Tarsel" below the user's application-data
// folder (CCamConfigDir) and below the user's documents folder (CCamDataDir),
// created with their parents on construction.
#pragma once

#include "TarselEnv_export.h"

#include <string>

class TARSELENV_EXPORT CCamStorageDirBase {
public:
  static constexpr int CSIDL_PERSONAL = 0x0005;
  static constexpr int CSIDL_APPDATA = 0x001A;

  // The folder's path, without a trailing separator.
  const char* GetPath() const { return m_path.c_str(); }

protected:
  CCamStorageDirBase() = default;
  // Sets the path to the shell folder `csidl` followed by "/Tarsel".
  void MakePath(int csidl);

private:
  std::string m_path;
};

class TARSELENV_EXPORT CCamConfigDir : public CCamStorageDirBase {
public:
  CCamConfigDir();
};

class TARSELENV_EXPORT CCamDataDir : public CCamStorageDirBase {
public:
  CCamDataDir();
};
