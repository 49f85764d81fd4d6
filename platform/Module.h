// A loaded shared library: the suite's stand-in for a module handle with its
// load, symbol look-up and release calls. Loading binds every symbol at once
// and keeps the library's symbols to itself. A failed load or look-up keeps
// the loader's error text in the object and sets the calling thread's last
// error (ERROR_MOD_NOT_FOUND, ERROR_PROC_NOT_FOUND). The library is released
// when the object is destroyed. One object is used by one thread at a time.
#pragma once

#include "tarselplatform_export.h"

#include <bit>
#include <string>
#include <type_traits>

namespace tarsel::platform {

class TARSELPLATFORM_EXPORT Module {
public:
  Module() = default;
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  Module(Module&& other) noexcept;
  Module& operator=(Module&& other) noexcept;

  // Releases what the object held, then loads the library at `path`. False
  // with errorText() and the last error set when it cannot be loaded.
  bool load(const std::string& path);
  // Releases the library; nothing happens when none is loaded.
  void unload();

  bool isLoaded() const { return m_handle != nullptr; }
  // The path given to the last successful load; empty when nothing is loaded.
  const std::string& path() const { return m_path; }
  // The loader's text for the last failure of this object.
  const std::string& errorText() const { return m_error; }

  // The address of an exported symbol; null with errorText() and the last
  // error set when it is missing or nothing is loaded.
  void* symbol(const char* name);

  // An exported function as a typed function pointer; null when missing.
  template <class F> F function(const char* name) {
    static_assert(std::is_pointer_v<F> && std::is_function_v<std::remove_pointer_t<F>>,
                  "F must be a pointer to a function");
    return std::bit_cast<F>(symbol(name));
  }

private:
  void* m_handle = nullptr;
  std::string m_path;
  std::string m_error;
};

} // namespace tarsel::platform
