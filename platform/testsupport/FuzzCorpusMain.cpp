// The main of a fuzz target outside fuzzing builds: feeds every file of the
// folders (or files) named on the command line to LLVMFuzzerTestOneInput once,
// so a target's seed corpus runs as an ordinary test under any compiler and
// sanitizer. Fails when it found no input at all, so an emptied corpus does
// not pass unnoticed; a finding shows as a crash or a sanitizer report.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void runOne(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::printf("%s (%zu bytes)\n", file.c_str(), bytes.size());
  std::fflush(stdout);
  // A copy of exactly the input's size, so reading past its end is caught;
  // an empty input still comes with a valid pointer, as under libFuzzer.
  std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
  static std::uint8_t none = 0;
  LLVMFuzzerTestOneInput(exact.empty() ? &none : exact.data(), exact.size());
}

} // namespace

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (!std::filesystem::is_directory(path)) {
      files.push_back(path);
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(path))
      if (entry.is_regular_file())
        files.push_back(entry.path());
  }
  if (files.empty()) {
    std::fprintf(stderr, "no corpus input found\n");
    return 1;
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files)
    runOne(file);
  std::printf("%zu inputs\n", files.size());
  return 0;
}
