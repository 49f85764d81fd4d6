// A small library that throws the suite's error from its own code, as a
// plug-in does; loaded by the cross-library test.
#include "env/BrantelTakeError.h"

extern "C" __attribute__((visibility("default"))) void tarselTestThrow(HRESULT code, const char* text) {
  throw _brantel_take_error(code, text);
}

// The derived error of a module, caught by the base class elsewhere.
namespace {
class ModuleError : public _brantel_take_error {
public:
  using _brantel_take_error::_brantel_take_error;
  const char* ErrorMessage() const override { return "module's own message"; }
};
} // namespace

extern "C" __attribute__((visibility("default"))) void tarselTestThrowDerived(HRESULT code,
                                                                              const char* text) {
  throw ModuleError(code, text);
}
