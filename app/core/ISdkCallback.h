// The camera host's status sink as a camera sees it. Callable from any
// thread; the receiver only hands the status over (posts it to its window).
// Codes the families use: 3 transfer progress, 5 battery state, 7 the camera
// asks for another picture, 8 a camera event.
#pragma once

#include "TarselCore_export.h"

#include <cstdint>

class TARSELCORE_EXPORT _ISdkCallback {
public:
  virtual void OnStatus(std::int32_t code, std::intptr_t argument) = 0;

protected:
  ~_ISdkCallback() = default;
};
