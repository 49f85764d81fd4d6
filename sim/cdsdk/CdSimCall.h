// What every function-table entry does around its own work: refuse calls
// outside CDStartSDK/CDFinishSDK, return an injected failure, notice two
// threads inside calls on one camera, log the call with its arguments and
// result, and keep every exception inside the library.
#pragma once

#include "sim/cdsdk/CdSimState.h"

#include <string>
#include <type_traits>

namespace tarsel::cdsim {

class CallScope {
public:
  CallScope(u32 entry, const char* name, std::string arguments, u32 firstHandle);
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

  // Non-zero when the call must not act: the result to return.
  u32 refused() const { return m_refused; }
  u32 finish(u32 result);

private:
  u32 m_entry;
  const char* m_name;
  std::string m_arguments;
  int m_camera = -1;
  u32 m_refused = 0;
  bool m_finished = false;
};

template <typename T> void describeArgument(std::string& out, T value) {
  if (!out.empty())
    out += ", ";
  if constexpr (std::is_pointer_v<T>)
    out += value == nullptr ? "null" : "ptr";
  else
    out += std::to_string(value);
}

template <u32 Entry, typename F> struct EntryWrapper;

template <u32 Entry, typename... A> struct EntryWrapper<Entry, u32(A...)> {
  template <u32 (*Impl)(A...)> static u32 call(A... args) {
    std::string arguments;
    (describeArgument(arguments, args), ...);
    CallScope scope(Entry, cdsdk::EntryType<Entry>::entryName, std::move(arguments), firstHandle(args...));
    if (scope.refused() != 0)
      return scope.finish(scope.refused());
    try {
      return scope.finish(Impl(args...));
    } catch (const std::bad_alloc&) {
      return scope.finish(0x0003); // memory allocation error
    } catch (...) {
      return scope.finish(0x0002); // internal error
    }
  }

private:
  template <typename First, typename... Rest> static u32 firstHandle(First first, Rest...) {
    if constexpr (std::is_same_v<First, u32>)
      return Entry == cdsdk::kEntrySourceEnumOpen ? 0 : first; // its first argument is an option
    else
      return 0;
  }
  static u32 firstHandle() { return 0; }
};

// Puts an implementation, wrapped, into the table slot of its entry.
#define CDSIM_INSTALL(table, name, impl)                                                                     \
  ::tarsel::cdsdk::setEntry<::tarsel::cdsdk::kEntry##name>(                                                  \
      table, &::tarsel::cdsim::EntryWrapper<::tarsel::cdsdk::kEntry##name,                                   \
                                            ::tarsel::cdsdk::Fn##name>::template call<&impl>)

} // namespace tarsel::cdsim
