#include "OracleSupport.h"

#include "platform/testsupport/TestSupport.h"

#include <charconv>
#include <cstring>
#include <sstream>

namespace tarsel::remote::test {

namespace {

// The interpreter itself rather than a launcher that may stand in front of
// it: asked once, so each oracle run starts fast.
const std::string& python() {
  static const std::string path = [] {
    const auto result = tarsel::test::runProgram({"python3", "-c", "import sys; print(sys.executable)"});
    std::string out = result.out;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
      out.pop_back();
    return result.exitCode == 0 && !out.empty() ? out : std::string("python3");
  }();
  return path;
}

std::string oracleScript() {
  return tarsel::test::testDataDir() + "/remote_oracle.py";
}

} // namespace

std::string toHex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::vector<std::uint8_t> fromHex(const std::string& hex) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    unsigned value = 0;
    std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    out.push_back(static_cast<std::uint8_t>(value));
  }
  return out;
}

std::string oracleText(const char* text) {
  if (!text)
    return "-";
  return "x" + toHex(std::span(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text)));
}

std::vector<std::string> runOracleBatch(const std::vector<std::vector<std::string>>& commands) {
  std::string input;
  for (const auto& command : commands) {
    for (std::size_t i = 0; i < command.size(); ++i)
      input += (i ? " " : "") + command[i];
    input += '\n';
  }
  const auto result = tarsel::test::runProgram({python(), oracleScript(), "batch"}, input);
  if (result.exitCode != 0)
    return std::vector<std::string>(commands.size(), "exit " + std::to_string(result.exitCode));
  std::vector<std::string> answers;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);)
    answers.push_back(line);
  answers.resize(commands.size());
  return answers;
}

std::vector<std::string> decipherCommand(std::span<const std::uint8_t> datagram, const char* userKey) {
  return {"decipher", toHex(datagram), oracleText(userKey)};
}

std::optional<OracleReading> readDecipherAnswer(const std::string& answer) {
  // "nonce=<8 hex> text=<hex> padding=<n>"
  const auto textAt = answer.find(" text=");
  const auto paddingAt = answer.find(" padding=");
  if (answer.rfind("nonce=", 0) != 0 || textAt == std::string::npos || paddingAt == std::string::npos)
    return std::nullopt;
  OracleReading reading;
  std::from_chars(answer.data() + 6, answer.data() + textAt, reading.nonce, 16);
  const auto text = fromHex(answer.substr(textAt + 6, paddingAt - textAt - 6));
  reading.text.assign(text.begin(), text.end());
  std::from_chars(answer.data() + paddingAt + 9, answer.data() + answer.size(), reading.padding);
  return reading;
}

} // namespace tarsel::remote::test
