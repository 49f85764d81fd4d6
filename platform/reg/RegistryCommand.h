// The tarselreg command: reads and changes the registry hives from a shell.
//
//   tarselreg [--machine] get KEY [NAME]
//   tarselreg [--machine] set KEY NAME TYPE VALUE...
//   tarselreg [--machine] delete KEY [NAME]
//   tarselreg [--machine] list KEY
//   tarselreg [--machine] export [KEY]
//
// KEY is a path below the hive's root ("" is the root itself); an empty NAME
// is the key's default value. Exit code 0 on success, 1 when a registry call
// failed (its number and text go to the error stream), 2 on bad arguments
// (with the usage text). Numbers are read and written without regard to the
// user's locale.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tarsel::reg {

class RegistryCommand {
public:
  // `args` without the program's name.
  static int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

} // namespace tarsel::reg
