#include "sim/cdsdk/CdSimConfig.h"

#include "app/cameras/canon/CdSdkAbi.h"

#include <charconv>
#include <functional>
#include <map>
#include <stdexcept>

namespace tarsel::cdsim {
namespace {

struct ConfigError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string trim(const std::string& s) {
  const auto begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos)
    return {};
  const auto end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}

std::vector<std::string> split(const std::string& s, char separator) {
  std::vector<std::string> parts;
  if (trim(s).empty())
    return parts;
  std::size_t start = 0;
  for (;;) {
    const auto at = s.find(separator, start);
    parts.push_back(trim(s.substr(start, at == std::string::npos ? std::string::npos : at - start)));
    if (at == std::string::npos)
      return parts;
    start = at + 1;
  }
}

std::uint64_t number(const std::string& text, std::uint64_t max = 0xFFFFFFFFu) {
  const std::string t = trim(text);
  int base = 10;
  std::size_t skip = 0;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    skip = 2;
  }
  std::uint64_t value = 0;
  const char* first = t.data() + skip;
  const char* last = t.data() + t.size();
  const auto [end, ec] = std::from_chars(first, last, value, base);
  if (t.size() == skip || ec != std::errc() || end != last || value > max)
    throw ConfigError("not a number in range: \"" + t + "\"");
  return value;
}

std::uint16_t number16(const std::string& text) {
  return static_cast<std::uint16_t>(number(text, 0xFFFF));
}

template <typename T> std::vector<T> numbers(const std::string& text, std::uint64_t max) {
  std::vector<T> values;
  for (const auto& part : split(text, ','))
    values.push_back(static_cast<T>(number(part, max)));
  return values;
}

// "W" "x" "H"
std::pair<std::uint32_t, std::uint32_t> dimensions(const std::string& text) {
  const auto parts = split(text, 'x');
  if (parts.size() != 2)
    throw ConfigError("not WIDTHxHEIGHT: \"" + text + "\"");
  const auto w = static_cast<std::uint32_t>(number(parts[0], 8192));
  const auto h = static_cast<std::uint32_t>(number(parts[1], 8192));
  if (w == 0 || h == 0)
    throw ConfigError("empty picture size: \"" + text + "\"");
  return {w, h};
}

std::string text(const std::string& value, std::size_t max) {
  if (value.size() > max)
    throw ConfigError("text longer than " + std::to_string(max) + " bytes");
  return value;
}

const char* const kListNames[] = {"program_mode",  "aperture",      "exposure_time",
                                  "exposure_bias", "white_balance", "af_distance",
                                  "flash",         "iso",           "metering"};

const char* const kListPlurals[] = {"program_modes",   "apertures",      "exposure_times",
                                    "exposure_biases", "white_balances", "af_distances",
                                    "flashes",         "isos",           "meterings"};

using CameraSetter = std::function<void(CameraConfig&, const std::string&)>;

std::map<std::string, CameraSetter> cameraKeys() {
  std::map<std::string, CameraSetter> keys;
  keys["name"] = [](CameraConfig& c, const std::string& v) {
    c.name = text(v, sizeof(CanonSourceRecord::name) - 1);
  };
  keys["owner"] = [](CameraConfig& c, const std::string& v) { c.owner = text(v, 31); };
  keys["model_text"] = [](CameraConfig& c, const std::string& v) { c.modelText = text(v, 255); };
  keys["firmware"] = [](CameraConfig& c, const std::string& v) { c.firmware = text(v, 255); };
  keys["flags"] = [](CameraConfig& c, const std::string& v) {
    c.flags = static_cast<std::uint32_t>(number(v));
  };
  keys["battery"] = [](CameraConfig& c, const std::string& v) {
    c.battery = static_cast<std::uint32_t>(number(v));
  };
  keys["clock"] = [](CameraConfig& c, const std::string& v) {
    c.clock = static_cast<std::uint32_t>(number(v));
  };
  keys["remaining"] = [](CameraConfig& c, const std::string& v) {
    c.remaining = static_cast<std::uint32_t>(number(v));
  };
  keys["volumes"] = [](CameraConfig& c, const std::string& v) {
    c.volumes.clear();
    for (const auto& part : split(v, ',')) {
      const auto fields = split(part, ':');
      if (fields.size() != 3)
        throw ConfigError("a volume is CAPACITY:FREE:ITEMS");
      VolumeConfig volume{number(fields[0], ~0ull), number(fields[1], ~0ull),
                          static_cast<std::uint32_t>(number(fields[2]))};
      if (volume.freeSpace > volume.capacity)
        throw ConfigError("a volume's free space exceeds its capacity");
      c.volumes.push_back(volume);
    }
  };
  keys["zoom_max"] = [](CameraConfig& c, const std::string& v) {
    c.zoomMax = static_cast<std::uint32_t>(number(v)); // a faulty camera may claim any
  };
  keys["zoom_optical"] = [](CameraConfig& c, const std::string& v) {
    c.zoomOptical = static_cast<std::uint32_t>(number(v, 1000));
  };
  keys["zoom"] = [](CameraConfig& c, const std::string& v) {
    c.zoom = static_cast<std::uint32_t>(number(v, 1000));
  };
  keys["focal_shortest"] = [](CameraConfig& c, const std::string& v) { c.focalShortest = number16(v); };
  keys["focal_longest"] = [](CameraConfig& c, const std::string& v) { c.focalLongest = number16(v); };
  keys["focal_base"] = [](CameraConfig& c, const std::string& v) { c.focalBase = number16(v); };
  keys["digital_ratios"] = [](CameraConfig& c, const std::string& v) {
    c.digitalRatios = numbers<std::uint32_t>(v, 100000);
  };
  keys["aperture_bound"] = [](CameraConfig& c, const std::string& v) { c.apertureBound = number16(v); };
  keys["af_lock"] = [](CameraConfig& c, const std::string& v) { c.afLockSupported = number(v, 1) != 0; };
  keys["resolutions"] = [](CameraConfig& c, const std::string& v) {
    c.resolutions.clear();
    for (const auto& part : split(v, ',')) {
      const auto fields = split(part, ':');
      if (fields.size() != 2)
        throw ConfigError("a resolution is SIZECODE:WIDTHxHEIGHT");
      const auto [w, h] = dimensions(fields[1]);
      c.resolutions.push_back({number16(fields[0]), w, h});
    }
  };
  keys["image_formats"] = [](CameraConfig& c, const std::string& v) {
    c.imageFormats.clear();
    for (const auto& part : split(v, ',')) {
      const auto fields = split(part, ':');
      if (fields.size() != 2)
        throw ConfigError("an image format is QUALITY:SIZECODE");
      c.imageFormats.push_back({number16(fields[0]), number16(fields[1])});
    }
  };
  keys["image_format"] = [](CameraConfig& c, const std::string& v) {
    const auto fields = split(v, ':');
    if (fields.size() != 2)
      throw ConfigError("an image format is QUALITY:SIZECODE");
    c.imageFormat = {number16(fields[0]), number16(fields[1])};
  };
  keys["kind2_items"] = [](CameraConfig& c, const std::string& v) {
    c.kind2Items = numbers<std::uint32_t>(v, ~0u);
  };
  keys["kind10_items"] = [](CameraConfig& c, const std::string& v) {
    c.kind10Items = numbers<std::uint32_t>(v, ~0u);
  };
  keys["jpeg_quality"] = [](CameraConfig& c, const std::string& v) {
    c.jpegQuality = static_cast<int>(number(v, 100));
  };
  keys["raw_size"] = [](CameraConfig& c, const std::string& v) {
    c.rawSize = static_cast<std::uint32_t>(number(v, 64u << 20));
  };
  keys["failing_lists"] = [](CameraConfig& c, const std::string& v) {
    c.failingLists = 0;
    for (const auto& name : split(v, ',')) {
      bool known = false;
      for (int i = 0; i < static_cast<int>(ValueList::Count); ++i)
        if (name == kListNames[i]) {
          c.failingLists |= 1u << i;
          known = true;
        }
      if (!known)
        throw ConfigError("unknown value list \"" + name + "\"");
    }
  };
  for (int i = 0; i < static_cast<int>(ValueList::Count); ++i) {
    keys[kListPlurals[i]] = [i](CameraConfig& c, const std::string& v) {
      c.lists[i] = numbers<std::uint16_t>(v, 0xFFFF);
    };
    keys[kListNames[i]] = [i](CameraConfig& c, const std::string& v) { c.current[i] = number16(v); };
  }
  return keys;
}

void setSdkKey(SdkConfig& sdk, const std::string& key, const std::string& value) {
  if (key == "chunk") {
    sdk.chunk = static_cast<std::uint32_t>(number(value, 16u << 20));
  } else if (key == "frame_rate") {
    sdk.frameRate = static_cast<std::uint32_t>(number(value, 1000));
    if (sdk.frameRate == 0)
      throw ConfigError("frame_rate must be at least 1");
  } else if (key == "frame_size") {
    std::tie(sdk.frameWidth, sdk.frameHeight) = dimensions(value);
  } else {
    throw ConfigError("unknown key \"" + key + "\" in [sdk]");
  }
}

} // namespace

ConfigResult parseConfig(const std::string& input) {
  static const auto keys = cameraKeys();
  SdkConfig sdk;
  sdk.cameras.clear();
  enum class Section { None, Sdk, Camera } section = Section::None;
  int lineNumber = 0;
  std::size_t start = 0;
  try {
    while (start <= input.size()) {
      auto end = input.find('\n', start);
      if (end == std::string::npos)
        end = input.size();
      ++lineNumber;
      std::string line = input.substr(start, end - start);
      start = end + 1;
      if (const auto hash = line.find('#'); hash != std::string::npos)
        line.erase(hash);
      line = trim(line);
      if (line.empty())
        continue;
      if (line == "[sdk]") {
        section = Section::Sdk;
        continue;
      }
      if (line == "[camera]") {
        section = Section::Camera;
        if (sdk.cameras.size() == 16)
          throw ConfigError("more than 16 cameras");
        sdk.cameras.emplace_back();
        continue;
      }
      if (line.front() == '[')
        throw ConfigError("unknown section " + line);
      const auto equals = line.find('=');
      if (equals == std::string::npos)
        throw ConfigError("not a \"key = value\" line");
      const std::string key = trim(line.substr(0, equals));
      const std::string value = trim(line.substr(equals + 1));
      if (section == Section::Sdk) {
        setSdkKey(sdk, key, value);
      } else if (section == Section::Camera) {
        const auto setter = keys.find(key);
        if (setter == keys.end())
          throw ConfigError("unknown key \"" + key + "\" in [camera]");
        setter->second(sdk.cameras.back(), value);
      } else {
        throw ConfigError("a key before any section");
      }
    }
    for (const auto& camera : sdk.cameras) {
      if (camera.zoomOptical > camera.zoomMax)
        throw ConfigError("a camera's zoom_optical exceeds its zoom_max");
    }
  } catch (const ConfigError& e) {
    return {std::nullopt, "line " + std::to_string(lineNumber) + ": " + e.what()};
  }
  return {std::move(sdk), {}};
}

} // namespace tarsel::cdsim
