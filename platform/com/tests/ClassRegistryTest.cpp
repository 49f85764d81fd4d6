#include "platform/com/ClassRegistry.h"
#include "platform/com/ComResults.h"

#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarsel::com;
using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;

TEST(ClassRegistry, RefusedRegistrationKeepsTheRecordThatStoodThere) {
  TempDir dir;
  ScopedEnv path("TARSEL_COM_PATH", dir.path());
  ClassRecord record;
  record.clsid = {0x1E57C0DE, 0x0002, 0x0001, {8, 7, 6, 5, 4, 3, 2, 1}};
  record.name = "First";
  record.progId = "Test.First.1";
  ASSERT_EQ(registerClass(record), S_OK);

  // A line break cannot stand in a record line: the write is refused, and
  // the class stays registered as it was.
  ClassRecord broken = record;
  broken.name = "Second\rName";
  EXPECT_NE(registerClass(broken), S_OK);
  const auto found = findClass(record.clsid);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->name, "First");
  EXPECT_EQ(found->progId, "Test.First.1");

  // A new registration replaces the record whole and leaves nothing beside it.
  ClassRecord second;
  second.clsid = record.clsid;
  second.name = "Second";
  ASSERT_EQ(registerClass(second), S_OK);
  const auto replaced = findClass(record.clsid);
  ASSERT_TRUE(replaced.has_value());
  EXPECT_EQ(replaced->name, "Second");
  EXPECT_EQ(replaced->progId, "");
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
    ++files;
  EXPECT_EQ(files, 1);
}
