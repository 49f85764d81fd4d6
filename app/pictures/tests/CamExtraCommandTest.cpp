#include "app/pictures/CamExtraCommand.h"

#include <gtest/gtest.h>

TEST(CamExtraCommand, AnEmptyCommandLeavesTheOutputsAlone) {
  const CCamExtraCommand command;
  std::int32_t value1 = 11;
  std::int32_t value2 = 22;
  EXPECT_FALSE(command.GetCommand(&value1, &value2));
  EXPECT_EQ(value1, 11);
  EXPECT_EQ(value2, 22);
  EXPECT_EQ(command.GetOption(), 0u);
}

TEST(CamExtraCommand, CopiesTakeCommandAndOptionThroughTheInterface) {
  CCamExtraCommand source;
  source.SetCommand(4, 350);
  source.SetOption(3);

  const ICamExtraCommand& asInterface = source;
  const CCamExtraCommand copied(asInterface);
  std::int32_t value1 = 0;
  std::int32_t value2 = 0;
  ASSERT_TRUE(copied.GetCommand(&value1, &value2));
  EXPECT_EQ(value1, 4);
  EXPECT_EQ(value2, 350);
  EXPECT_EQ(copied.GetOption(), 3u);

  // Assigning an empty command clears the present flag but keeps nothing
  // of the old values.
  CCamExtraCommand target(copied);
  CCamExtraCommand empty;
  empty.SetOption(7);
  ICamExtraCommand& result = target.Assign(empty);
  EXPECT_EQ(&result, &target);
  EXPECT_FALSE(target.GetCommand(&value1, &value2));
  EXPECT_EQ(target.GetOption(), 7u);

  target.Assign(target);
  EXPECT_EQ(target.GetOption(), 7u);
}
