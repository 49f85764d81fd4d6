// A save request as the program's save thread hands it to a saver plug-in,
// with every field open to the test. One thread.
#pragma once

#include "hostapi/ISaveInfo.h"

#include <algorithm>
#include <string>
#include <utility>

namespace tarsel::savers::test {

class FakeSaveInfo : public ISaveInfo {
public:
  const char* GetCameraId() override { return "Cam"; }
  const char* GetFilePrefix() override { return prefix.c_str(); }
  void SetFilePrefix(const char* text) override { prefix = text; }
  const char* GetAuxText() override { return aux.c_str(); }
  void SetAuxText(const char* text) override { aux = text; }
  const char* GetTargetFolder() override { return target.c_str(); }
  void SetTargetFolder(const char* text) override { target = text; }
  std::uint32_t GetCounter() override { return counter; }
  void SetCounter(std::uint32_t value) override { counter = value == 0xFFFFFFFFu ? counter + 1 : value; }
  char* GetSubFolder(char* buffer, std::int32_t size) override { return copy(subFolder, buffer, size); }
  char* GetFileName(char* buffer, std::int32_t size) override { return copy(fileName, buffer, size); }
  void SetNumDigits(std::int32_t value) override { digits = value; }
  std::int32_t GetNumDigits() override { return digits; }
  void SetNamingMode(std::int32_t value) override { mode = value; }
  std::int32_t GetNamingMode() override { return mode; }
  bool TakeOverwriteOnce() override { return std::exchange(overwriteOnce, false); }
  void SetOverwriteOnce() override { overwriteOnce = true; }
  bool GetUiAllowed() override { return uiAllowed; }
  void SetUiAllowed(bool allowed) override { uiAllowed = allowed; }

  std::string prefix = "IMG", aux, target, subFolder, fileName;
  std::uint32_t counter = 7;
  std::int32_t digits = 4, mode = 0;
  bool overwriteOnce = false, uiAllowed = false;

private:
  static char* copy(const std::string& text, char* buffer, std::int32_t size) {
    const std::string cut = text.substr(0, static_cast<std::size_t>(size - 1));
    std::copy(cut.begin(), cut.end(), buffer);
    buffer[cut.size()] = '\0';
    return buffer;
  }
};

} // namespace tarsel::savers::test
