#include "app/main/FormatString.h"

#include <gtest/gtest.h>

#include <string>

TEST(FormatString, FormatsLikePrintfIntoAStringCutAtTheBufferSize) {
  EXPECT_EQ(FormatString("%s: %ld of %ld", "Picture", 3L, 12L), "Picture: 3 of 12");
  EXPECT_EQ(FormatString("100%%"), "100%");
  EXPECT_EQ(FormatString(nullptr), "");

  const std::string longText(5000, 'x');
  const std::string cut = FormatString("%s", longText.c_str());
  EXPECT_EQ(cut, longText.substr(0, 3999));
}
