// Runs a program with an argument vector (never through a shell) and waits
// for it, at most for a time limit; past it the program is killed. The
// program's standard input is /dev/null; its output goes where ours goes.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace tarsel::veskinst {

// The program's exit status; -1 when it could not be started, was killed
// by a signal or ran past the limit.
int runProgram(const std::vector<std::string>& argv, std::chrono::milliseconds limit);

} // namespace tarsel::veskinst
