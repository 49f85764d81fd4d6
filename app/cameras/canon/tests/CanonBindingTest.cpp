#include "CanonSdkFixture.h"

#include "app/cameras/canon/CanonError.h"
#include "app/cameras/canon/CanonSdkLibrary.h"
#include "app/cameras/canon/CanonSource.h"
#include "app/cameras/canon/CanonSourceEnum.h"
#include "app/cameras/canon/CanonValueEnum.h"
#include "env/BrantelTakeError.h"

#include <string>
#include <utility>
#include <vector>

using tarsel::canon::test::CanonSdkTest;
namespace cd = tarsel::cdsdk;

namespace {

// The accessor's failure: its code and explanation; the family is released again.
std::pair<std::uint32_t, std::string> accessorError() {
  try {
    GetCanonCDSdkWrapper(nullptr);
  } catch (const _brantel_take_error& error) {
    ReleaseCanonCDSdkWrapper();
    return {static_cast<std::uint32_t>(error.Error()), error.Explanation()};
  }
  return {0, {}};
}

std::uint32_t noEvents(std::uint32_t, const void*, std::uint32_t, void*) {
  return 0;
}

class CanonBinding : public CanonSdkTest {};

} // namespace

TEST(CanonError, KeepsTheLowSixteenBitsInTheFamilysFacility) {
  EXPECT_NO_THROW(ThrowIfCanonError(0));
  try {
    ThrowIfCanonError(0x1234A001u);
    FAIL() << "a non-zero result is thrown";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(static_cast<std::uint32_t>(error.Error()), 0x8107A001u);
  }
}

TEST_F(CanonBinding, ALibraryThatCannotBeUsedLeavesTheFamilyOutUntilAGoodOneIsThere) {
  setenv("TARSEL_CDSDK", "/nonexistent/libCDSDK.so", 1);
  EXPECT_EQ(accessorError().first, 126u);

  const std::string nostart = tarsel::canon::test::binFile("libCDSDK-nostart.so");
  setenv("TARSEL_CDSDK", nostart.c_str(), 1);
  const auto [code, text] = accessorError();
  EXPECT_EQ(code, 127u);
  EXPECT_NE(text.find("CDStartSDK"), std::string::npos);

  // Started, then the table refused: the library is finished and unloaded again.
  void* stub = dlopen(CANON_STUB_BADTABLE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(stub, nullptr) << dlerror();
  const int* finished = static_cast<const int*>(dlsym(stub, "stub_finish_calls"));
  ASSERT_NE(finished, nullptr);
  setenv("TARSEL_CDSDK", CANON_STUB_BADTABLE, 1);
  EXPECT_EQ(accessorError().first, 0x81070006u);
  EXPECT_EQ(*finished, 1);
  EXPECT_FALSE(tarsel::canon::IsCanonSdkStarted());
  dlclose(stub);

  // The next discovery tries again from the start.
  setenv("TARSEL_CDSDK", m_path.c_str(), 1);
  CanonCDSDK_Wr* sdk = GetCanonCDSdkWrapper(nullptr);
  ASSERT_NE(sdk, nullptr);
  EXPECT_EQ(Stats().started, 1u);
  EXPECT_EQ(sdk->GetCameraCount(), 1);
  EXPECT_STREQ(sdk->IsEnabled(), "USE");
  ReleaseCanonCDSdkWrapper();
  EXPECT_EQ(Stats().started, 0u);
  EXPECT_FALSE(tarsel::canon::IsCanonSdkStarted());
  EXPECT_EQ(GetCanonCDSdkWrapper(nullptr)->GetCameraCount(), 1);
}

TEST_F(CanonBinding, TheUseCountKeepsTheModeUntilTheLastLeave) {
  UseCameras("[camera]\nname = First\n[camera]\nname = Second\n[camera]\nname = Third\n");
  GetCanonCDSdkWrapper(nullptr);
  {
    CCanonSourceEnum sources;
    EXPECT_EQ(sources.GetCount(), 3u);
    CanonSourceRecord record{};
    sources.ReadSourceRecord(2, &record);
    EXPECT_EQ(SourceRecordName(record), "Third");
  }
  CCanonSource source(1);
  EXPECT_EQ(source.EnterRemoteRelease(noEvents, nullptr), 1u);
  EXPECT_EQ(source.EnterRemoteRelease(noEvents, nullptr), 2u);
  EXPECT_EQ(source.GetSourceName(), "Second");
  source.Close();
  EXPECT_NE(source.GetHandle(), 0u);
  EXPECT_EQ(source.LeaveRemoteRelease(), 1u);
  EXPECT_EQ(Stats().remoteModes, 1u);
  EXPECT_EQ(source.LeaveRemoteRelease(), 0u);
  EXPECT_EQ(source.GetHandle(), 0u);
  EXPECT_EQ(source.LeaveRemoteRelease(), 0u);
  EXPECT_EQ(Stats().openSources, 0u);

  for (int i = 0; i < 3; ++i)
    source.EnterRemoteRelease(noEvents, nullptr);
  EXPECT_EQ(source.ForceLeaveRemoteRelease(), 0u);
  EXPECT_EQ(Stats().openSources, 0u);
  EXPECT_EQ(Stats().remoteModes, 0u);
}

TEST_F(CanonBinding, AFailedEntryIntoRemoteReleaseUndoesEveryStep) {
  GetCanonCDSdkWrapper(nullptr);
  CCanonSource source(0);
  for (const std::uint32_t entry : {cd::kEntrySourceEnumOpen, cd::kEntrySourceOpen, cd::kEntryEventRegister,
                                    cd::kEntryRemoteReleaseEnter, cd::kEntrySelectReleaseKind}) {
    SCOPED_TRACE(entry);
    m_sim->fail(entry, cd::kErrDeviceBusy, 1);
    try {
      source.EnterRemoteRelease(noEvents, nullptr);
      ADD_FAILURE() << "entering succeeded";
    } catch (const _brantel_take_error& error) {
      EXPECT_EQ(static_cast<std::uint32_t>(error.Error()), 0x81070081u);
    }
    EXPECT_EQ(source.GetUseCount(), 0u);
    EXPECT_EQ(source.GetHandle(), 0u);
    const CdSimStats stats = Stats();
    EXPECT_EQ(stats.openSources, 0u);
    EXPECT_EQ(stats.openRegistrations, 0u);
    EXPECT_EQ(stats.remoteModes, 0u);
    EXPECT_EQ(stats.openEnumerations, 0u);
  }
  // A source opened before keeps its handle through a failed entry and enters next time.
  source.Open();
  const std::uint32_t handle = source.GetHandle();
  m_sim->fail(cd::kEntryRemoteReleaseEnter, cd::kErrDeviceBusy, 1);
  EXPECT_THROW(source.EnterRemoteRelease(noEvents, nullptr), _brantel_take_error);
  EXPECT_EQ(source.GetHandle(), handle);
  EXPECT_EQ(source.EnterRemoteRelease(noEvents, nullptr), 1u);
  EXPECT_EQ(source.GetHandle(), handle);
  EXPECT_EQ(source.LeaveRemoteRelease(), 0u);
}

TEST_F(CanonBinding, ValueListsEndAtTheSdksResultAndAListThatCannotOpenHoldsNothing) {
  UseCameras("[camera]\napertures = 32,40\nfailing_lists = exposure_time\n");
  GetCanonCDSdkWrapper(nullptr);
  CCanonSource source(0);
  source.Open();
  {
    CCanonApertureEnum apertures(source.GetHandle());
    std::vector<std::uint16_t> values;
    std::uint16_t value = 0;
    while (apertures.Next(&value) == 0)
      values.push_back(value);
    EXPECT_EQ(values, (std::vector<std::uint16_t>{32, 40}));
    EXPECT_EQ(value, 0);
  }
  try {
    CCanonExposureTimeEnum times(source.GetHandle());
    ADD_FAILURE() << "the list opened";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(static_cast<std::uint32_t>(error.Error()), 0x81070007u);
  }
  EXPECT_EQ(Stats().openEnumerations, 0u);
}
