#include "env/BrantelTakeError.h"
#include "env/FacilityRegistry.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

using ThrowFunction = void (*)(HRESULT, const char*);

// The throwing library, loaded as the program loads its plug-ins.
class ThrowingLibrary {
public:
  ThrowingLibrary() : m_handle(dlopen(TARSEL_THROWING_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {}
  ~ThrowingLibrary() {
    if (m_handle)
      dlclose(m_handle);
  }
  ThrowingLibrary(const ThrowingLibrary&) = delete;
  ThrowingLibrary& operator=(const ThrowingLibrary&) = delete;

  bool loaded() const { return m_handle != nullptr; }
  ThrowFunction function(const char* name) const {
    return reinterpret_cast<ThrowFunction>(dlsym(m_handle, name));
  }

private:
  void* m_handle;
};

} // namespace

TEST(CrossLibrary, ErrorThrownInAnotherLibraryIsCaughtByReference) {
  const ThrowingLibrary library;
  ASSERT_TRUE(library.loaded()) << dlerror();
  const ThrowFunction throwError = library.function("tarselTestThrow");
  const ThrowFunction throwDerived = library.function("tarselTestThrowDerived");
  ASSERT_NE(throwError, nullptr);
  ASSERT_NE(throwDerived, nullptr);

  RegisterFacility(0x105, TarselEnvMessageTable());
  bool caught = false;
  try {
    throwError(static_cast<HRESULT>(0x81050002), "page 3");
  } catch (const _brantel_take_error& e) {
    caught = true;
    EXPECT_EQ(e.Error(), static_cast<HRESULT>(0x81050002));
    EXPECT_STREQ(e.ErrorMessage(), "This TIFF image has features that are not supported.");
    EXPECT_STREQ(e.Explanation(), "page 3");
  } catch (...) {
    ADD_FAILURE() << "caught as something else";
  }
  EXPECT_TRUE(caught);
  UnregisterFacility(0x105);

  caught = false;
  try {
    throwDerived(static_cast<HRESULT>(0x82020001), "reply 550");
  } catch (const _brantel_take_error& e) {
    caught = true;
    EXPECT_EQ(e.Error(), static_cast<HRESULT>(0x82020001));
    EXPECT_STREQ(e.ErrorMessage(), "module's own message");
    EXPECT_STREQ(e.Explanation(), "reply 550");
  } catch (...) {
    ADD_FAILURE() << "caught as something else";
  }
  EXPECT_TRUE(caught);
}
