#include "app/saving/SaveInfoFile.h"

#include <gtest/gtest.h>

TEST(SaveInfoFile, CountsOnGrantsOverwriteOnceAndNeverWritesPastABuffer) {
  CSaveInfoFile info("D2X", 3);
  EXPECT_STREQ(info.GetFilePrefix(), "D2X");
  info.SetCounter(41);
  info.SetCounter(0xFFFFFFFF);
  EXPECT_EQ(info.GetCounter(), 42u);
  info.SetCounter(0xFFFFFFFE);
  EXPECT_EQ(info.GetCounter(), 0xFFFFFFFEu);

  info.SetOverwriteOnce();
  EXPECT_TRUE(info.TakeOverwriteOnce());
  EXPECT_FALSE(info.TakeOverwriteOnce());

  char buffer[2] = {'a', 'b'};
  EXPECT_EQ(info.GetSubFolder(buffer, 0), buffer);
  EXPECT_EQ(buffer[0], 'a');
  EXPECT_EQ(info.GetFileName(buffer, 1), buffer);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], 'b');
  EXPECT_EQ(info.GetFileName(nullptr, 10), nullptr);
}
