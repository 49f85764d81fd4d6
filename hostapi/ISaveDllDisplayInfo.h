// Where a saver plug-in puts the texts the program shows for it: its display
// name ("File", "FTP") and its location (target folder or server).
#pragma once

class ISaveDllDisplayInfo {
public:
  virtual ~ISaveDllDisplayInfo() = default;

  virtual void SetName(const char* name) = 0;
  virtual void SetLocation(const char* location) = 0;
};
