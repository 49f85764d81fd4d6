#include "platform/Win32Error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

TEST(Win32Error, ErrnoValuesMapOntoTheirWin32Numbers) {
  struct Row {
    int errnoValue;
    DWORD expected;
  };
  const Row rows[] = {
      {0, 0},
      {ENOENT, 2},
      {ENOTDIR, 3},
      {EACCES, 5},
      {EPERM, 5},
      {ENOMEM, 8},
      {EEXIST, 183},
      {ENOSPC, 112},
      {EINVAL, 87},
      {EBUSY, 170},
      {ETIMEDOUT, 121},
      {ENODEV, 55},
      {ECANCELED, 1223},
      {EHWPOISON, ERROR_GEN_FAILURE},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Win32FromErrno(row.errnoValue), row.expected) << "errno " << row.errnoValue;
}

TEST(Win32Error, LastErrorBelongsToTheCallingThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  DWORD seenByOtherThread = 12345;
  std::thread other([&] {
    seenByOtherThread = GetLastError();
    SetLastError(ERROR_FILE_NOT_FOUND);
  });
  other.join();
  EXPECT_EQ(seenByOtherThread, 0u);
  EXPECT_EQ(GetLastError(), 5u);

  errno = ENOSPC;
  EXPECT_EQ(SetLastErrorFromErrno(), 112u);
  EXPECT_EQ(GetLastError(), 112u);
}

TEST(Win32Error, SystemTextsEndWithALineBreakAndCoverWin32HResults) {
  EXPECT_EQ(SystemMessageText(5).value(), "Access is denied.\r\n");
  EXPECT_EQ(SystemMessageText(1223).value(), "The operation was canceled by the user.\r\n");
  EXPECT_EQ(SystemMessageText(static_cast<DWORD>(E_FAIL)).value(), "Unspecified error\r\n");
  EXPECT_EQ(SystemMessageText(static_cast<DWORD>(E_UNEXPECTED)).value(), "Catastrophic failure\r\n");
  // 0x80070002 is the HRESULT of Win32 number 2.
  EXPECT_EQ(SystemMessageText(0x80070002u), SystemMessageText(2));
  EXPECT_FALSE(SystemMessageText(0x81020002u).has_value());
  EXPECT_FALSE(SystemMessageText(65000).has_value());
}

TEST(Win32Error, HResultHelpersKeepWindowsValues) {
  EXPECT_EQ(HRESULT_FROM_WIN32(2), static_cast<HRESULT>(0x80070002u));
  EXPECT_EQ(HRESULT_FROM_WIN32(0), 0);
  EXPECT_EQ(HRESULT_FACILITY(static_cast<HRESULT>(0x81050001u)), 0x105u);
  EXPECT_EQ(HRESULT_CODE(static_cast<HRESULT>(0x81050001u)), 1u);
  EXPECT_TRUE(FAILED(E_FAIL));
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
}
