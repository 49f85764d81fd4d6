// Small helpers for the suite's tests: temporary folders, environment
// variables set for one scope, whole-file reads and writes, and running a
// helper program to completion.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarsel::test {

// A fresh folder below $TMPDIR (or /tmp), removed with its contents at the end.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return m_path; }
  std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
  std::string m_path;
};

// Sets (or, with no value, unsets) an environment variable until the end of
// the scope, then restores what was there.
class ScopedEnv {
public:
  ScopedEnv(std::string name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
  std::string m_name;
  std::optional<std::string> m_old;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

struct ProcessResult {
  int exitCode = -1; // -1 when the program could not be run or was killed
  std::string out;   // standard output
};

// Runs a program with arguments (no shell), feeding `input` to its standard
// input, and waits for it to end.
ProcessResult runProgram(const std::vector<std::string>& argv, const std::string& input = {});

// The folder of the built programs and libraries (TARSEL_BIN_DIR), and of the
// running test's sources (TARSEL_TEST_DATA).
std::string binDir();
std::string testDataDir();

} // namespace tarsel::test
