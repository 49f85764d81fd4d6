// tarselregsvr [-u] LIBRARY: registers (unregisters) a component library.
#include "platform/com/RegisterServerCommand.h"

#include <iostream>

int main(int argc, char** argv) {
  try {
    return tarsel::com::runRegisterServerCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                                 std::cerr);
  } catch (...) {
    std::cerr << "tarselregsvr: out of memory\n";
    return 1;
  }
}
