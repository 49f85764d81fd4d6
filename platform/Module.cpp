#include "platform/Module.h"

#include "platform/Win32Error.h"

#include <utility>

#include <dlfcn.h>

namespace tarsel::platform {

namespace {

std::string takeLoaderError(const char* fallback) {
  const char* text = dlerror();
  return text ? std::string(text) : std::string(fallback);
}

} // namespace

Module::~Module() {
  unload();
}

Module::Module(Module&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_path(std::move(other.m_path)),
      m_error(std::move(other.m_error)) {
  other.m_path.clear();
  other.m_error.clear();
}

Module& Module::operator=(Module&& other) noexcept {
  if (this == &other)
    return *this;
  unload();
  m_handle = std::exchange(other.m_handle, nullptr);
  m_path = std::move(other.m_path);
  m_error = std::move(other.m_error);
  other.m_path.clear();
  other.m_error.clear();
  return *this;
}

bool Module::load(const std::string& path) {
  unload();
  m_error.clear();
  // An empty path would hand back the running program itself.
  if (path.empty()) {
    m_error = "No module path was given";
    SetLastError(ERROR_MOD_NOT_FOUND);
    return false;
  }
  dlerror();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    m_error = takeLoaderError("The module could not be loaded");
    SetLastError(ERROR_MOD_NOT_FOUND);
    return false;
  }
  m_handle = handle;
  m_path = path;
  return true;
}

void Module::unload() {
  if (!m_handle)
    return;
  if (dlclose(m_handle) != 0)
    m_error = takeLoaderError("The module could not be released");
  m_handle = nullptr;
  m_path.clear();
}

void* Module::symbol(const char* name) {
  if (!m_handle) {
    m_error = "No module is loaded";
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!name || !*name) {
    m_error = "No symbol name was given";
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  dlerror();
  void* address = dlsym(m_handle, name);
  if (address)
    return address;
  const char* text = dlerror();
  m_error = text ? std::string(text) : "The symbol has no address: " + std::string(name);
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

} // namespace tarsel::platform
