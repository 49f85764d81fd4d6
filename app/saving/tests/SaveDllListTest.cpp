#include "app/saving/SaveDllList.h"

#include "app/saving/SaveDllDisplayInfo.h"
#include "app/saving/SaveDllWrapper.h"
#include "env/CamStorageDir.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tarsel::test::readFile;

// The calls the test savers recorded, one "<name> <export>" per line.
class Journal {
public:
  Journal() : m_env("TARSEL_TEST_SAVER_JOURNAL", m_folder.file("journal.txt")) {}

  // The lines recorded since the last call.
  std::vector<std::string> take() {
    std::istringstream text(readFile(m_folder.file("journal.txt")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
      lines.push_back(line);
    std::vector<std::string> fresh(lines.begin() + static_cast<std::ptrdiff_t>(m_seen), lines.end());
    m_seen = lines.size();
    return fresh;
  }

private:
  tarsel::test::TempDir m_folder;
  tarsel::test::ScopedEnv m_env;
  std::size_t m_seen = 0;
};

std::string nameOf(CSaveDllWrapper* saver) {
  if (!saver)
    return "(none)";
  CSaveDllDisplayInfo info;
  saver->DisplayInfo(nullptr, &info);
  return info.GetName();
}

bool stillLoaded(const char* file) {
  void* handle = dlopen((std::string(TARSEL_TEST_SAVERS) + "/" + file).c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle)
    dlclose(handle);
  return handle != nullptr;
}

} // namespace

TEST(SaveDllList, KeepsTheUsableSaversInNameOrderEndsEveryPluginOnceAndLogsTheOthers) {
  const std::string logPath = std::string(CCamDataDir().GetPath()) + "/ErrorLog.txt";
  std::filesystem::remove(logPath);
  Journal journal;
  auto list = std::make_unique<CSaveDllList>(0, TARSEL_TEST_SAVERS);

  // The refused and incomplete plug-ins were ended and unloaded at once.
  const std::vector<std::string> loading = {
      "File SavInit",      "FTP SavInit",     "NoDisplay SavInit",
      "NoDisplay SavTerm", "Refuses SavInit", "Refuses SavTerm",
  };
  EXPECT_EQ(journal.take(), loading);
  EXPECT_FALSE(stillLoaded("TarselSRefuses.so"));
  EXPECT_FALSE(stillLoaded("TarselSNoDisplay.so"));
  EXPECT_TRUE(stillLoaded("TarselSFile.so"));

  ASSERT_EQ(list->GetCount(), 2);
  EXPECT_EQ(nameOf(list->GetAt(0)), "File");
  EXPECT_EQ(nameOf(list->GetAt(1)), "FTP");
  EXPECT_EQ(list->GetAt(2), nullptr);
  EXPECT_EQ(list->GetAt(-1), nullptr);
  EXPECT_EQ(list->GetCurrent(), -1);
  journal.take();

  const std::string log = readFile(logPath);
  for (const char* expected : {"TarselSBroken.so left out: cannot be loaded",
                               "TarselSNoDisplay.so left out: SavDisplayInfo is not exported",
                               "TarselSRefuses.so left out: SavInit answered 1"})
    EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;

  list.reset();
  EXPECT_EQ(journal.take(), (std::vector<std::string>{"File SavTerm", "FTP SavTerm"}));
  EXPECT_FALSE(stillLoaded("TarselSFile.so"));
  EXPECT_FALSE(stillLoaded("TarselSFtp.so"));
}

TEST(SaveDllList, ChoosesSaversByDisplayNameWithFileAsTheDefault) {
  Journal journal;
  CSaveDllList list(0, TARSEL_TEST_SAVERS);
  journal.take();

  EXPECT_EQ(nameOf(list.FindSaver(nullptr, "")), "File");
  EXPECT_EQ(list.GetCurrent(), 0);
  EXPECT_EQ(nameOf(list.FindSaver(nullptr, "ftp")), "FTP");
  EXPECT_EQ(list.GetCurrent(), 1);
  journal.take();

  // The current saver is found again by its exact name without asking the others.
  CSaveDllWrapper* again = list.FindSaver(nullptr, "FTP");
  EXPECT_EQ(journal.take(), std::vector<std::string>{"FTP SavDisplayInfo"});
  EXPECT_EQ(again, list.GetAt(1));

  EXPECT_EQ(list.FindSaver(nullptr, "Mail"), nullptr);
  EXPECT_EQ(list.GetCurrent(), -1);
  EXPECT_EQ(nameOf(list.FindSaver(nullptr, nullptr)), "File");

  tarsel::test::TempDir empty;
  CSaveDllList none(0, empty.path());
  EXPECT_EQ(none.GetCount(), 0);
  EXPECT_EQ(none.FindSaver(nullptr, ""), nullptr);
  EXPECT_EQ(none.FindSaver(nullptr, "File"), nullptr);
  EXPECT_EQ(none.GetCurrent(), -1);
}
