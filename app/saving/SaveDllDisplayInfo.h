// The texts a saver plug-in tells about itself, filled by its SavDisplayInfo:
// the display name (by which savers are chosen), the location, a third text.
// All empty at construction.
#pragma once

#include "hostapi/ISaveDllDisplayInfo.h"

#include <string>

class CSaveDllDisplayInfo : public ISaveDllDisplayInfo {
public:
  const char* GetName() override { return m_name.c_str(); }
  void SetName(const char* name) override { m_name = name ? name : ""; }
  const char* GetLocation() override { return m_location.c_str(); }
  void SetLocation(const char* location) override { m_location = location ? location : ""; }
  const char* GetExtraText() override { return m_extraText.c_str(); }
  void SetExtraText(const char* text) override { m_extraText = text ? text : ""; }

private:
  std::string m_name;
  std::string m_location;
  std::string m_extraText;
};
