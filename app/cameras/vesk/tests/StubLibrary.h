// One stub camera-link library loaded as the program loads the camera-link
// library, with the controls that script its answers.
#pragma once

#include "StubControl.h"

#include "app/cameras/vesk/VeskLibrary.h"

#include <dlfcn.h>

namespace tarsel::vesk::test {

class StubLibrary {
public:
  explicit StubLibrary(const char* path) {
    FreeVeskDll();
    LoadVeskDll(path);
    void* handle = ::dlopen(path, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (handle) {
      m_state = reinterpret_cast<StubControlFunction>(::dlsym(handle, "StubControl"))();
      ::dlclose(handle);
    }
  }
  ~StubLibrary() { FreeVeskDll(); }
  StubState& state() { return *m_state; }

private:
  StubState* m_state = nullptr;
};

} // namespace tarsel::vesk::test
