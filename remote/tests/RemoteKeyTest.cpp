#include "remote/RemoteKey.h"

#include "OracleSupport.h"

#include <gtest/gtest.h>

using namespace tarsel::remote;

TEST(RemoteKey, Md5MatchesTheReferenceSuite) {
  struct Row {
    const char* text;
    const char* digest;
  };
  const Row rows[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Row& row : rows) {
    const auto digest = md5Digest(row.text);
    ASSERT_TRUE(digest.has_value());
    EXPECT_EQ(tarsel::remote::test::toHex(*digest), row.digest) << row.text;
  }
}

TEST(RemoteKey, UserKeyXorsTheLittleEndianDigestWordsIntoTheKey) {
  const XxteaKey builtIn = builtInRemoteKey();
  EXPECT_EQ(builtIn, (XxteaKey{0x90AE8C7Cu, 0xB9AC8730u, 0x19064D8Bu, 0x0D0605E9u}));

  // An empty user key is still a key: MD5 of no bytes.
  XxteaKey empty = builtIn;
  ASSERT_EQ(mixUserKey(empty, ""), S_OK);
  EXPECT_NE(empty, builtIn);
  EXPECT_EQ(empty, (XxteaKey{builtIn[0] ^ 0xD98C1DD4u, builtIn[1] ^ 0x04B2008Fu, builtIn[2] ^ 0x980980E9u,
                             builtIn[3] ^ 0x7E42F8ECu}));

  XxteaKey abc = builtIn;
  ASSERT_EQ(mixUserKey(abc, "abc"), S_OK);
  EXPECT_EQ(abc, (XxteaKey{builtIn[0] ^ 0x98500190u, builtIn[1] ^ 0xB04FD23Cu, builtIn[2] ^ 0x7D3F96D6u,
                           builtIn[3] ^ 0x727FE128u}));
}
