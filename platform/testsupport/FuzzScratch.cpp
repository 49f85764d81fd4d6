#include "platform/testsupport/FuzzScratch.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tarsel::test {

namespace {

struct ScratchFolder {
  ScratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp && *tmp ? tmp : "/tmp";
    std::error_code error;
    std::filesystem::create_directories(base, error);
    std::string pattern = base + "/fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {
      std::perror("fuzz scratch folder");
      std::abort();
    }
    path = name.data();
  }
  ~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(path, error);
  }
  std::string path;
};

} // namespace

std::string FuzzScratchPath(const std::string& name) {
  static const ScratchFolder folder;
  return folder.path + "/" + name;
}

std::string WriteFuzzScratchFile(const std::string& name, const void* data, std::size_t size) {
  std::string path = FuzzScratchPath(name);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
  return path;
}

} // namespace tarsel::test
