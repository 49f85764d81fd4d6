#include "app/pictures/PictureFromCamera.h"

#include "app/pictures/CamExtraCommand.h"
#include "hostapi/IPictureInfo.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <QImage>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

const std::vector<BYTE> kJpegStart = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'};
const std::vector<BYTE> kTiffStart = {0x4D, 0x4D, 0x00, 0x2A, 0x00};

// Picture information that counts its living copies.
class CountingInfo : public IPictureInfo {
public:
  explicit CountingInfo(std::string iso) : m_iso(std::move(iso)) { ++alive; }
  ~CountingInfo() override { --alive; }
  void GetWhiteBalanceText(std::string* out) override { *out = "Auto"; }
  void GetFlashText(std::string* out) override { *out = "No"; }
  void GetIsoText(std::string* out) override { *out = m_iso; }
  void GetSizeText(std::string* out, const char*) override { *out = ""; }
  IPictureInfo* Clone() override { return new CountingInfo(m_iso); }

  static inline std::atomic<int> alive{0};

private:
  std::string m_iso;
};

std::string isoOf(IPictureInfo* info) {
  std::string text;
  info->GetIsoText(&text);
  return text;
}

// A record holding one reference, released at the end of the scope.
struct Held {
  Held() : record(new CPictureFromCamera) { record->AddRef(); }
  explicit Held(IPictureFromCamera* taken) : record(taken) { record->AddRef(); }
  ~Held() { record->Release(); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  IPictureFromCamera* operator->() const { return record; }
  IPictureFromCamera* record;
};

std::string bytesOf(IPictureFromCamera* record) {
  const BYTE* data = record->GetData();
  const DWORD size = record->GetDataSize();
  return std::string(reinterpret_cast<const char*>(data), size);
}

} // namespace

TEST(PictureRecord, ARecordWithoutAnImageAnswersDefaultsAndFailsCleanly) {
  Held record;
  EXPECT_EQ(record->GetData(), nullptr);
  EXPECT_EQ(record->GetDataSize(), 0u);
  EXPECT_EQ(record->GetDataSnapshot(), nullptr);
  EXPECT_EQ(record->GetScaleDenominator(), 1u);
  EXPECT_EQ(record->GetScaleNumerator(), 0u);
  EXPECT_EQ(record->GetPictureWidth(), 0u);
  EXPECT_EQ(record->GetPictureHeight(), 0u);
  EXPECT_EQ(record->GetBitmapWidth(), 640u);
  EXPECT_EQ(record->GetBitmapHeight(), 480u);
  EXPECT_FALSE(record->HasBitmap());
  EXPECT_EQ(record->GetPackedDib(), nullptr);
  EXPECT_EQ(record->GetPackedDibSize(), 0u);
  EXPECT_EQ(record->GetBitmapBits(), nullptr);
  EXPECT_STREQ(record->GetFileName(), "");
  EXPECT_STREQ(record->GetTypeName(), "");
  EXPECT_STREQ(record->GetExtension(), "");
  EXPECT_EQ(record->GetImageType(), 0);
  EXPECT_EQ(record->GetPictureInfo(), nullptr);
  EXPECT_EQ(record->GetExtraCommand(), nullptr);
  EXPECT_TRUE(record->CreateDibSection().isNull());
  EXPECT_EQ(record->SetImageFlag(1), 1);

  record->Decode(1, 1);
  record->DecodeRect(0, 0, 10, 10);
  record->Rotate(1, true);
  record->FreeImageData();
  EXPECT_EQ(record->Draw(nullptr, 0, 0, 0, 0, -1, -1), 0);

  const BYTE* block = reinterpret_cast<const BYTE*>(1);
  DWORD size = 77;
  bool copied = true;
  EXPECT_FALSE(record->GetExifBlock(&block, &size, &copied));
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_FALSE(copied);

  const tarsel::test::TempDir folder;
  try {
    record->SaveToFile(folder.file("none.jpg").c_str());
    ADD_FAILURE() << "a record without an image was saved";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(error.Error(), HRESULT(ERROR_INVALID_DATA));
  }
}

TEST(PictureRecord, SetImageKeepsItsOwnCopyAndAClonedInformation) {
  Held record;
  std::vector<BYTE> bytes = kJpegStart;
  {
    CountingInfo info("200");
    record->SetImage(bytes.data(), DWORD(bytes.size()), ".BRF", &info);
    EXPECT_EQ(CountingInfo::alive, 2);
  }
  bytes[0] = 0;
  EXPECT_EQ(bytesOf(record.record), std::string(kJpegStart.begin(), kJpegStart.end()));
  EXPECT_EQ(record->GetImageType(), 1);
  EXPECT_STREQ(record->GetTypeName(), "JPEG");
  EXPECT_STREQ(record->GetExtension(), ".JPG");
  ASSERT_NE(record->GetPictureInfo(), nullptr);
  EXPECT_EQ(isoOf(record->GetPictureInfo()), "200");
  EXPECT_EQ(record->GetScaleNumerator(), 1u);

  // A second image replaces image and information; null information leaves none.
  const std::vector<BYTE> raw = {1, 2, 3, 4};
  record->SetImage(raw.data(), DWORD(raw.size()), ".CRW", nullptr);
  EXPECT_EQ(CountingInfo::alive, 0);
  EXPECT_EQ(record->GetPictureInfo(), nullptr);
  EXPECT_EQ(record->GetImageType(), 3);
  EXPECT_STREQ(record->GetExtension(), ".CRW");
  EXPECT_EQ(record->GetDataSize(), 4u);

  record->SetImage(kTiffStart.data(), DWORD(kTiffStart.size()), ".CRW", nullptr);
  EXPECT_STREQ(record->GetTypeName(), "TIFF");
}

TEST(PictureRecord, AFailedDecodeKeepsTheBytesAndIsThrownOnlyWhileTheFlagIsSet) {
  Held record;
  // The first bytes of a JPEG picture and nothing more: its decoder fails.
  record->SetImage(kJpegStart.data(), DWORD(kJpegStart.size()), nullptr, nullptr);
  record->Decode(1, 1);
  EXPECT_FALSE(record->HasBitmap());
  EXPECT_EQ(record->GetData()[0], 0xFF);

  record->SetImageFlag(1);
  try {
    record->Decode(1, 2);
    ADD_FAILURE() << "the failure was not thrown";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(HRESULT_FACILITY(error.Error()), 0x106u) << std::hex << error.Error();
  }
  EXPECT_THROW(record->Rotate(1, false), _brantel_take_error);
  EXPECT_EQ(record->GetData()[0], 0xFF);
}

TEST(PictureRecord, CloneIsADeepCopyWithNameInformationAndCommand) {
  Held record;
  CountingInfo info("400");
  record->SetImage(kJpegStart.data(), DWORD(kJpegStart.size()), ".BRF", &info);
  record->SetFileName("IMG_0001.JPG");
  CCamExtraCommand command;
  command.SetCommand(4, 120);
  command.SetOption(1);
  record->SetExtraCommand(&command);

  IPictureFromCamera* raw = nullptr;
  record->Clone(&raw);
  ASSERT_NE(raw, nullptr);
  Held clone(raw);

  const std::vector<BYTE> other = {9, 9, 9};
  record->SetImage(other.data(), DWORD(other.size()), ".BRF", nullptr);
  record->SetFileName("changed");
  record->SetExtraCommand(nullptr);

  EXPECT_EQ(bytesOf(clone.record), std::string(kJpegStart.begin(), kJpegStart.end()));
  EXPECT_STREQ(clone->GetFileName(), "IMG_0001.JPG");
  ASSERT_NE(clone->GetPictureInfo(), nullptr);
  EXPECT_NE(clone->GetPictureInfo(), &info);
  EXPECT_EQ(isoOf(clone->GetPictureInfo()), "400");
  ASSERT_NE(clone->GetExtraCommand(), nullptr);
  std::int32_t mode = 0;
  std::int32_t position = 0;
  EXPECT_TRUE(clone->GetExtraCommand()->GetCommand(&mode, &position));
  EXPECT_EQ(position, 120);
  EXPECT_EQ(clone->GetExtraCommand()->GetOption(), 1u);

  // A record without an image clones into one without an image.
  Held empty;
  empty->SetFileName("only a name");
  IPictureFromCamera* emptyRaw = nullptr;
  empty->Clone(&emptyRaw);
  Held emptyClone(emptyRaw);
  EXPECT_EQ(emptyClone->GetDataSnapshot(), nullptr);
  EXPECT_STREQ(emptyClone->GetFileName(), "only a name");
}

TEST(PictureRecord, SetExtraCommandCopiesReplacesAndClears) {
  Held record;
  CCamExtraCommand first;
  first.SetCommand(1, 2);
  record->SetExtraCommand(&first);
  ICamExtraCommand* kept = record->GetExtraCommand();
  ASSERT_NE(kept, nullptr);
  EXPECT_NE(kept, &first);

  CCamExtraCommand second;
  second.SetOption(3);
  record->SetExtraCommand(&second);
  std::int32_t value = 0;
  EXPECT_FALSE(record->GetExtraCommand()->GetCommand(&value, &value));
  EXPECT_EQ(record->GetExtraCommand()->GetOption(), 3u);

  record->SetExtraCommand(nullptr);
  EXPECT_EQ(record->GetExtraCommand(), nullptr);
}

TEST(PictureRecord, FileNamesHandedOutStayReadableAfterANewName) {
  Held record;
  record->SetFileName("first.jpg");
  const char* first = record->GetFileName();
  record->SetFileName("/home/user/Pictures/second.jpg");
  record->SetFileName(nullptr);
  EXPECT_STREQ(first, "first.jpg");
  EXPECT_STREQ(record->GetFileName(), "");
}

TEST(PictureRecord, DataAndSizeOfOnePairComeFromOneVersionOfTheBytes) {
  Held record;
  const std::vector<BYTE> small = {'a', 'a'};
  const std::vector<BYTE> large(50, 'b');
  record->SetImage(small.data(), 2, ".X", nullptr);

  // Data first, the bytes change, then the size: both from the first bytes.
  const BYTE* data = record->GetData();
  record->SetImage(large.data(), 50, ".X", nullptr);
  EXPECT_EQ(record->GetDataSize(), 2u);
  EXPECT_EQ(data[0], 'a');
  EXPECT_EQ(data[1], 'a');

  // The next pair starts from the current bytes, in either order.
  const DWORD size = record->GetDataSize();
  record->SetImage(small.data(), 2, ".X", nullptr);
  EXPECT_EQ(size, 50u);
  EXPECT_EQ(record->GetData()[49], 'b');

  EXPECT_EQ(bytesOf(record.record), "aa");
  EXPECT_EQ(record->GetDataSnapshot()->size(), 2u);
}

TEST(PictureRecord, SaveToFileWritesTheBytesAsTheyAre) {
  const tarsel::test::TempDir folder;
  Held record;
  const std::vector<BYTE> bytes = {0x49, 0x49, 0x2A, 0x00, 0x0D, 0x0A, 0x00, 0xFF};
  record->SetImage(bytes.data(), DWORD(bytes.size()), ".BRF", nullptr);
  const std::string path = folder.file("saved.tif");
  record->SaveToFile(path.c_str());
  EXPECT_EQ(tarsel::test::readFile(path), std::string(bytes.begin(), bytes.end()));
}

TEST(PictureRecord, TheLastReleaseDeletesTheRecordAndWhatItOwns) {
  auto* record = new CPictureFromCamera;
  EXPECT_EQ(record->AddRef(), 1);
  EXPECT_EQ(record->AddRef(), 2);
  CountingInfo info("50");
  record->SetImage(kJpegStart.data(), DWORD(kJpegStart.size()), nullptr, &info);
  EXPECT_EQ(CountingInfo::alive, 2);
  EXPECT_EQ(record->Release(), 1);
  EXPECT_EQ(CountingInfo::alive, 2);
  EXPECT_EQ(record->Release(), 0);
  EXPECT_EQ(CountingInfo::alive, 1);
}
