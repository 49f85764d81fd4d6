#include "RegistryTestHelpers.h"

#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace tarsel::reg::test {

int runInChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    RegistryHive::resetForTests();
    int code = 99;
    try {
      code = body();
    } catch (...) {
      code = 98;
    }
    _exit(code);
  }
  if (pid < 0)
    return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

static std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    out += digits[static_cast<unsigned char>(c) >> 4];
    out += digits[static_cast<unsigned char>(c) & 0x0F];
  }
  return out;
}

static void dumpKey(HKEY key, const std::string& path, std::string& out) {
  out += "K " + hex(path) + "\n";
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values, &maxName,
                             &maxData, nullptr, nullptr),
            0);
  for (DWORD i = 0; i < values; ++i) {
    std::vector<char> name(maxName + 1);
    std::string data(maxData, '\0');
    DWORD cchName = maxName + 1;
    DWORD cbData = maxData;
    DWORD type = 0;
    ASSERT_EQ(RegEnumValueA(key, i, name.data(), &cchName, nullptr, &type,
                            reinterpret_cast<BYTE*>(data.data()), &cbData),
              0);
    data.resize(cbData);
    out +=
        "V " + hex(std::string(name.data(), cchName)) + " " + std::to_string(type) + " " + hex(data) + "\n";
  }
  for (DWORD i = 0; i < subKeys; ++i) {
    std::vector<char> name(maxSubKey + 1);
    DWORD cchName = maxSubKey + 1;
    ASSERT_EQ(RegEnumKeyExA(key, i, name.data(), &cchName, nullptr, nullptr, nullptr, nullptr), 0);
    const std::string subName(name.data(), cchName);
    HKEY sub = nullptr;
    ASSERT_EQ(RegOpenKeyExA(key, subName.c_str(), 0, KEY_READ, &sub), 0);
    dumpKey(sub, path.empty() ? subName : path + "\\" + subName, out);
    RegCloseKey(sub);
  }
}

std::string dumpThroughApi(HKEY key) {
  std::string out;
  dumpKey(key, std::string(), out);
  return out;
}

} // namespace tarsel::reg::test
