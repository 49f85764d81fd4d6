#include "platform/reg/RegistryCommand.h"

#include <iostream>

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.emplace_back(argv[i]);
  const int code = tarsel::reg::RegistryCommand::run(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
