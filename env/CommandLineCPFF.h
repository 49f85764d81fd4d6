// The capture-profile argument of the program's command line: "-CPFF=" or
// "/CPFF=" followed by "/"-separated items "file[:camera]". Double quotes
// quote (a doubled quote inside quotes is one quote); white space outside
// quotes ends the list; the first item for a camera wins, and the first item
// without a camera is the default file.
#pragma once

#include "TarselEnv_export.h"
#include "env/ICaptureProfileStorage.h"

#include <map>
#include <string>

class TARSELENV_EXPORT CCommandLineCPFF {
public:
  explicit CCommandLineCPFF(const char* text);
  CCommandLineCPFF(const CCommandLineCPFF&) = delete;
  CCommandLineCPFF& operator=(const CCommandLineCPFF&) = delete;

  // Hands the bytes of the camera's file (else the default file) to
  // `storage`; false when there is none or it cannot be read.
  bool GetCPFFBuffer(ICaptureProfileStorage& storage, const char* camera) const;

  const std::map<std::string, std::string>& Cameras() const { return m_cameras; }
  const std::string& DefaultFile() const { return m_default; }

private:
  std::map<std::string, std::string> m_cameras;
  std::string m_default;
};
