// Fuzz target of the camera-list file "ExtraCams.cams": any file contents,
// both of the family's sections read; then a line made of the input's first
// bytes (any bytes, as a device names itself) is written into
// [Used Cameras]. The write must not break the file: the line reads back as
// written (made safe), [Ignored Cameras] is read as before, and the other
// lines of [Used Cameras] stay.
#include "app/cameras/vesk/VeskCameraListFile.h"
#include "app/cameras/vesk/VeskTextLists.h"
#include "platform/AsciiCase.h"
#include "platform/testsupport/FuzzScratch.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tarsel::vesk::ReadCameraListSection;

constexpr std::size_t kLineBytes = 24;

// Keys as the profile compares them: blanks at their ends (a CR or a form
// feed before the "=" too) do not count, nor letter case.
bool sameKey(const CNamePair& pair, std::string_view key) {
  return tarsel::platform::equalsIgnoringAsciiCase(tarsel::vesk::TrimWhiteSpace(pair.first), key);
}

bool samePair(const CNamePair& a, const CNamePair& b) {
  return a.first == b.first && a.second == b.second;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = tarsel::test::WriteFuzzScratchFile(tarsel::vesk::kCameraListFile, data, size);
  const std::string folder =
      file.substr(0, file.size() - std::string_view(tarsel::vesk::kCameraListFile).size());
  const std::vector<CNamePair> used = ReadCameraListSection(folder, tarsel::vesk::kUsedCamerasSection);
  const std::vector<CNamePair> ignored = ReadCameraListSection(folder, tarsel::vesk::kIgnoredCamerasSection);

  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view identification = bytes.substr(0, kLineBytes);
  const std::string_view text = bytes.substr(std::min(size, kLineBytes), kLineBytes);
  const std::string key = tarsel::vesk::ProfileSafeText(identification);
  const bool written = tarsel::vesk::WriteCameraListLine(folder, identification, text, true);
  if (written != !key.empty())
    std::abort();
  if (!written)
    return 0;

  const std::vector<CNamePair> usedAfter = ReadCameraListSection(folder, tarsel::vesk::kUsedCamerasSection);
  const CNamePair line{key, tarsel::vesk::ProfileSafeText(text)};
  const auto found = [&](const CNamePair& wanted, bool anyCase) {
    return std::any_of(usedAfter.begin(), usedAfter.end(), [&](const CNamePair& pair) {
      return anyCase ? sameKey(pair, wanted.first) && pair.second == wanted.second : samePair(pair, wanted);
    });
  };
  // A line of the same name (in other letter cases, say) is the one replaced.
  if (!found(line, true))
    std::abort();
  for (const CNamePair& before : used)
    if (!sameKey(before, key) && !found(before, false))
      std::abort();
  const std::vector<CNamePair> ignoredAfter =
      ReadCameraListSection(folder, tarsel::vesk::kIgnoredCamerasSection);
  if (!std::equal(ignored.begin(), ignored.end(), ignoredAfter.begin(), ignoredAfter.end(), samePair))
    std::abort();
  return 0;
}
