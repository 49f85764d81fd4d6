#include "platform/Module.h"

#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <utility>

using tarsel::platform::Module;

namespace {

using AddFunction = int (*)(int, int);

const char* const kModulePath = TARSEL_TEST_MODULE_PATH;

} // namespace

TEST(Module, LoadedLibraryGivesItsFunctionsAndData) {
  Module module;
  ASSERT_TRUE(module.load(kModulePath)) << module.errorText();
  EXPECT_TRUE(module.isLoaded());
  EXPECT_EQ(module.path(), kModulePath);

  auto add = module.function<AddFunction>("tarselTestModuleAdd");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(40, 2), 42);

  auto* counter = static_cast<int*>(module.symbol("tarselTestModuleCounter"));
  ASSERT_NE(counter, nullptr);
  EXPECT_EQ(*counter, 41);
}

TEST(Module, MissingSymbolGivesNullAndATextNamingIt) {
  Module module;
  ASSERT_TRUE(module.load(kModulePath)) << module.errorText();
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(module.symbol("tarselNoSuchFunction"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_NE(module.errorText().find("tarselNoSuchFunction"), std::string::npos) << module.errorText();
  EXPECT_EQ(module.function<AddFunction>("tarselAlsoMissing"), nullptr);
  EXPECT_TRUE(module.isLoaded());
}

TEST(Module, FilesThatAreNoLibraryFailWithAText) {
  tarsel::test::TempDir dir;
  const std::string notALibrary = dir.file("notes.so");
  tarsel::test::writeFile(notALibrary, "this is plain text, not a shared library\n");

  const std::string paths[] = {dir.file("missing.so"), notALibrary, dir.path(), ""};
  for (const std::string& path : paths) {
    Module module;
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(module.load(path)) << path;
    EXPECT_FALSE(module.isLoaded()) << path;
    EXPECT_TRUE(module.path().empty()) << path;
    EXPECT_FALSE(module.errorText().empty()) << path;
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND) << path;
    EXPECT_EQ(module.symbol("tarselTestModuleAdd"), nullptr) << path;
  }
}

TEST(Module, MoveHandsTheLibraryOver) {
  Module first;
  ASSERT_TRUE(first.load(kModulePath)) << first.errorText();

  Module second(std::move(first));
  EXPECT_FALSE(first.isLoaded());
  EXPECT_TRUE(first.path().empty());
  ASSERT_TRUE(second.isLoaded());
  EXPECT_EQ(second.path(), kModulePath);
  auto add = second.function<AddFunction>("tarselTestModuleAdd");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(1, 2), 3);

  Module third;
  third = std::move(second);
  EXPECT_FALSE(second.isLoaded());
  ASSERT_TRUE(third.isLoaded());
  EXPECT_NE(third.symbol("tarselTestModuleAdd"), nullptr);
}

TEST(Module, UnloadReleasesTheLibraryAndStateStartsAfresh) {
  Module module;
  ASSERT_TRUE(module.load(kModulePath)) << module.errorText();

  // Data of the library starts from its initial value on every load.
  auto* counter = static_cast<int*>(module.symbol("tarselTestModuleCounter"));
  ASSERT_NE(counter, nullptr);
  *counter = 7;
  module.unload();
  EXPECT_FALSE(module.isLoaded());
  EXPECT_TRUE(module.path().empty());
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(module.symbol("tarselTestModuleAdd"), nullptr);
  EXPECT_NE(GetLastError(), ERROR_SUCCESS);
  module.unload();

  ASSERT_TRUE(module.load(kModulePath)) << module.errorText();
  counter = static_cast<int*>(module.symbol("tarselTestModuleCounter"));
  ASSERT_NE(counter, nullptr);
  EXPECT_EQ(*counter, 41);
}
