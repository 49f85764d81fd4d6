// The program a user names to process each saved picture ("ExternalCommand").
// The command text is split once into arguments, blanks separating them and
// double quotes grouping (the quotes themselves dropped); the picture's path
// then replaces "%s" inside its argument, or is appended as an argument of
// its own. The program is started directly, never through a shell, so no
// character of the path can start anything else.
//
// A program that is not waited for, or that outlives the wait, is reaped by
// the module's reaper thread when it ends, so none stays a zombie.
// StopChildReaper (SavTerm, and unloading) stops that thread; programs
// still running then are left to the process's end.
//
// Threads: any; the reaper locks its own list.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace tarsel::filesaver {

// Whether the text keeps the "%" rule: none, or exactly one, followed by "s".
bool IsValidCommandLine(std::string_view command);

// The program's argument vector for `path`; empty for a blank command.
// Throws kBadCommandLine when the "%" rule is broken.
std::vector<std::string> CommandArguments(std::string_view command, const std::string& path);

// Starts the command for `path` and, when `wait` is set, waits for it to end
// for at most `timeout` (the program keeps running after that). Returns the
// program's process id, 0 for a blank command. Throws kBadCommandLine, or the
// Win32 number of a failure to start with the command line as explanation.
pid_t RunPostProcessCommand(std::string_view command, const std::string& path, bool wait,
                            std::chrono::milliseconds timeout = std::chrono::milliseconds(60000));

void StopChildReaper();

} // namespace tarsel::filesaver
