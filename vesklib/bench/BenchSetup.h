// What the camera-link measuring programs share: where the built programs
// are, and a private registry that names the simulator's camera model as a
// supported camera.
#pragma once

#include <string>

namespace tarsel::vesk::bench {

// The folder of the running program ("." when it cannot be found).
std::string programFolder();

// Points this process's registry at `dir`/registry and writes "Type_S" =
// "XC-701" there. False when the value cannot be written.
bool nameSimulatedCamera(const std::string& dir);

} // namespace tarsel::vesk::bench
