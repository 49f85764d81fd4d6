#include "savers/ftp/FtpPath.h"
#include "savers/ftp/FtpMessages.h"

#include <gtest/gtest.h>

using namespace tarsel::ftp;

namespace {

std::string resolved(std::string_view home, std::string_view requested) {
  std::string path = "untouched";
  const HRESULT rc = ResolveFtpPath(home, requested, path);
  return rc == 0 ? path : "refused";
}

std::string split(std::string_view current, std::string_view target) {
  std::string existing;
  std::string rest;
  SplitExistingFtpPath(current, target, existing, rest);
  return existing + " + " + rest;
}

} // namespace

TEST(FtpPath, ResolvesRequestsAgainstTheHomeAndRefusesEscapes) {
  EXPECT_EQ(resolved("/home/u", "pics"), "/home/u/pics");
  EXPECT_EQ(resolved("", "pics"), "/pics");
  EXPECT_EQ(resolved("/h", "./a/./b"), "/h/a/b");
  EXPECT_EQ(resolved("/h", "a//b/"), "/h/a/b");
  EXPECT_EQ(resolved("/h", "/abs/x"), "/abs/x");
  EXPECT_EQ(resolved("/h", "/"), "/");
  EXPECT_EQ(resolved("/h", ""), "/h");
  EXPECT_EQ(resolved("", ""), "/");
  for (const char* escape : {"..", "a/../b", "a/..", "a\r\nDELE x"})
    EXPECT_EQ(resolved("/h", escape), "refused") << escape;
}

TEST(FtpPath, SplitsByWholeComponentsSoASiblingWithALongerNameIsNotEntered) {
  EXPECT_EQ(split("/pics/cam1", "/pics/cam10"), "/pics + cam10");
  EXPECT_EQ(split("/pics/cam1", "/pics/cam1/day2"), "/pics/cam1 + day2");
  EXPECT_EQ(split("/home/u", "/pics/cam1"), "/ + pics/cam1");
  EXPECT_EQ(split("/pics/cam1", "/pics"), "/pics + ");
  EXPECT_EQ(split("", "/pics/cam1"), " + /pics/cam1");
}

TEST(FtpPath, ExtractsTheQuotedPathOfAReply) {
  EXPECT_EQ(ExtractQuotedPath(R"(257 "/home/u/" is the current directory)"), "/home/u/");
  EXPECT_EQ(ExtractQuotedPath(R"(257 "/a ""quoted"" dir" created)"), R"(/a "quoted" dir)");
  EXPECT_EQ(ExtractQuotedPath("257 created"), "");
  EXPECT_EQ(ExtractQuotedPath(R"(257 "/unterminated)"), "/unterminated");
}
