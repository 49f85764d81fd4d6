// One picture record shared by the threads that meet there: the user
// interface replaces, rotates and renames it while a save thread reads and
// writes its bytes. Every read must see one whole version of the bytes.
#include "app/pictures/PictureFromCamera.h"

#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// The versions the record switches between: each is one repeated letter,
// and each letter has its own length, so a torn read shows.
struct Version {
  char letter;
  DWORD size;
};
constexpr Version kVersions[] = {{'a', 1000}, {'b', 3000}, {'c', 17}, {'d', 65536}};

bool isWholeVersion(const BYTE* data, DWORD size) {
  if (!data || size == 0)
    return false;
  for (const Version& version : kVersions) {
    if (data[0] != BYTE(version.letter))
      continue;
    if (size != version.size)
      return false;
    for (DWORD i = 0; i < size; ++i)
      if (data[i] != BYTE(version.letter))
        return false;
    return true;
  }
  return false;
}

} // namespace

TEST(PictureThreads, ReadersAndSaversNeverSeeATornOrFreedBuffer) {
  const tarsel::test::TempDir folder;
  auto* record = new CPictureFromCamera;
  record->AddRef();
  const std::vector<BYTE> first(kVersions[0].size, BYTE(kVersions[0].letter));
  record->SetImage(first.data(), kVersions[0].size, ".TST", nullptr);

  constexpr int kRounds = 2000;
  std::atomic<bool> done{false};
  std::atomic<int> tornReads{0};
  std::atomic<int> tornFiles{0};

  // The user interface: new bytes, failing rotations and decodes, new names.
  std::thread ui([&] {
    for (int round = 0; round < kRounds; ++round) {
      const Version& version = kVersions[round % 4];
      const std::vector<BYTE> bytes(version.size, BYTE(version.letter));
      record->SetImage(bytes.data(), version.size, ".TST", nullptr);
      record->Rotate(1, true);
      record->Decode(1, 2);
      record->SetFileName(("picture " + std::to_string(round)).c_str());
    }
    done = true;
  });

  // A saver as the plug-ins write: GetData and GetDataSize, in both orders.
  std::thread saver([&] {
    bool dataFirst = true;
    while (!done) {
      record->AddRef();
      const BYTE* data = nullptr;
      DWORD size = 0;
      if (dataFirst) {
        data = record->GetData();
        size = record->GetDataSize();
      } else {
        size = record->GetDataSize();
        data = record->GetData();
      }
      dataFirst = !dataFirst;
      if (!isWholeVersion(data, size))
        ++tornReads;
      const std::string name = record->GetFileName();
      (void)name;
      record->Release();
    }
  });

  // The save thread writing files, and a reader of snapshots.
  std::thread writer([&] {
    const std::string path = folder.file("saved.tst");
    while (!done) {
      record->SaveToFile(path.c_str());
      const std::string written = tarsel::test::readFile(path);
      if (!isWholeVersion(reinterpret_cast<const BYTE*>(written.data()), DWORD(written.size())))
        ++tornFiles;
      const auto snapshot = record->GetDataSnapshot();
      if (!snapshot || !isWholeVersion(snapshot->data(), DWORD(snapshot->size())))
        ++tornReads;
    }
  });

  ui.join();
  saver.join();
  writer.join();
  EXPECT_EQ(tornReads, 0);
  EXPECT_EQ(tornFiles, 0);
  EXPECT_EQ(record->Release(), 0);
}

TEST(PictureThreads, ReferencesTakenAndGivenOnManyThreadsDeleteTheRecordOnce) {
  auto* record = new CPictureFromCamera;
  record->AddRef();
  std::vector<std::thread> holders;
  for (int t = 0; t < 4; ++t) {
    holders.emplace_back([record] {
      for (int i = 0; i < 1000; ++i) {
        record->AddRef();
        record->GetTypeName();
        record->Release();
      }
    });
  }
  for (std::thread& holder : holders)
    holder.join();
  EXPECT_EQ(record->Release(), 0);
}
