// What a saver plug-in tells about itself: its display name ("File", "FTP"),
// by which savers are chosen, its location (target folder or server), and a
// third text neither shipped plug-in sets. Plug-ins call the setters.
#pragma once

class ISaveDllDisplayInfo {
public:
  virtual ~ISaveDllDisplayInfo() = default;

  virtual const char* GetName() = 0;
  virtual void SetName(const char* name) = 0;
  virtual const char* GetLocation() = 0;
  virtual void SetLocation(const char* location) = 0;
  virtual const char* GetExtraText() = 0;
  virtual void SetExtraText(const char* text) = 0;
};
