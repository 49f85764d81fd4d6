#include "app/saving/SaveInfoFile.h"

#include <gtest/gtest.h>

#include <string>

TEST(SaveInfoFile, CountsOnGrantsOverwriteOnceAndNeverWritesPastABuffer) {
  CSaveInfoFile info("D2X", 3);
  EXPECT_STREQ(info.GetCameraId(), "D2X");
  EXPECT_STREQ(info.GetFilePrefix(), "D2X");
  EXPECT_STREQ(info.GetTargetFolder(), "");
  EXPECT_EQ(info.GetCounter(), 0u);
  EXPECT_TRUE(info.GetUiAllowed());

  info.SetCounter(41);
  info.SetCounter(0xFFFFFFFF);
  EXPECT_EQ(info.GetCounter(), 42u);
  info.SetCounter(0xFFFFFFFE);
  EXPECT_EQ(info.GetCounter(), 0xFFFFFFFEu);

  EXPECT_FALSE(info.TakeOverwriteOnce());
  info.SetOverwriteOnce();
  EXPECT_TRUE(info.TakeOverwriteOnce());
  EXPECT_FALSE(info.TakeOverwriteOnce());

  // The prefix is a copy: the plug-in's buffer may change afterwards.
  std::string prefix = "IMG";
  info.SetFilePrefix(prefix.c_str());
  prefix[0] = 'X';
  EXPECT_STREQ(info.GetFilePrefix(), "IMG");
  info.SetTargetFolder(nullptr);
  EXPECT_STREQ(info.GetTargetFolder(), "");

  char buffer[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(info.GetSubFolder(buffer, 0), buffer);
  EXPECT_EQ(info.GetFileName(buffer, -1), buffer);
  EXPECT_EQ(buffer[0], 'a');
  EXPECT_EQ(info.GetFileName(buffer, 4), buffer);
  EXPECT_STREQ(buffer, "");
  buffer[0] = 'a';
  EXPECT_EQ(info.GetSubFolder(buffer, 1), buffer);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(buffer[1], 'b');
  EXPECT_EQ(info.GetSubFolder(nullptr, 10), nullptr);
}
