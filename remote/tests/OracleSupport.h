// Helpers for the remote-control tests: hex texts and the python3 model of
// the datagram (remote_oracle.py beside the tests).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarsel::remote::test {

std::string toHex(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> fromHex(const std::string& hex);

// The oracle's form of a text argument: "-" for none, else "x" + hex.
std::string oracleText(const char* text);

// Runs several commands in one oracle process (arguments must hold no
// blanks); one answer each, or "exit <code>" in each when it failed.
std::vector<std::string> runOracleBatch(const std::vector<std::vector<std::string>>& commands);

struct OracleReading {
  std::uint32_t nonce = 0;
  std::string text;
  int padding = 0;
};

// The oracle's command that deciphers a datagram, and the reading of its
// answer (none when the datagram was undecodable).
std::vector<std::string> decipherCommand(std::span<const std::uint8_t> datagram,
                                         const char* userKey = nullptr);
std::optional<OracleReading> readDecipherAnswer(const std::string& answer);

} // namespace tarsel::remote::test
