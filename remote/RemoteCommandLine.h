// The command line of TarselRemote, read one argument at a time (the shell
// has already split the words and taken the quotes away, so a value may hold
// blanks and slashes, such as an absolute path):
//   - an argument that begins with "/" is a switch; its keyword is compared
//     without regard to case over the keyword's length only, in the order
//     RI, RC, CPFF, UK, CAPTURE, CAM, and the first that matches wins;
//   - RI, CPFF and UK take an optional value, CAM a required one: "=" right
//     after the keyword, then the rest of the argument, at most 260 bytes
//     (cut before a character that would not fit whole); CAM without "=" is
//     ignored, as is a switch that matches no keyword;
//   - the last other argument after the last switch names the computer
//     (none: this computer).
// Message text order: RI, RC, CPFF, CAM, CAPTURE; a camera item that comes
// first implies CAPTURE, and a command line without items sends CAPTURE.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace tarsel::remote {

struct RemoteCommandLine {
  static constexpr std::size_t kMaxValue = 260;

  std::optional<std::string> ri;
  bool rc = false;
  std::optional<std::string> cpff;
  std::optional<std::string> userKey;
  bool capture = false;
  std::string camera;
  std::string computer;

  static RemoteCommandLine parse(std::span<const std::string> args);
  std::string messageText() const;
};

} // namespace tarsel::remote
