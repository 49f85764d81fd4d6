#include "app/saving/SaveDllList.h"

#include "app/saving/InteractiveSave.h"
#include "app/saving/SaveDllDisplayInfo.h"
#include "app/saving/SaveDllWrapper.h"
#include "app/saving/SaveInfoFile.h"
#include "app/settings/SettingsAccess.h"
#include "app/settings/TarselSettings.h"
#include "env/CamStorageDir.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tarsel::saving::SaveWithChosenSaver;
using Lines = std::vector<std::string>;

// The calls the test savers recorded ("<name> <export>") since the last take.
class Journal {
public:
  Journal() : m_env("TARSEL_TEST_SAVER_JOURNAL", m_folder.file("journal.txt")) {}
  Lines take() {
    std::istringstream text(tarsel::test::readFile(m_folder.file("journal.txt")));
    std::filesystem::remove(m_folder.file("journal.txt"));
    Lines lines;
    for (std::string line; std::getline(text, line);)
      lines.push_back(line);
    return lines;
  }

private:
  tarsel::test::TempDir m_folder;
  tarsel::test::ScopedEnv m_env;
};

std::string nameOf(CSaveDllWrapper* saver) {
  CSaveDllDisplayInfo info;
  if (saver)
    saver->DisplayInfo(nullptr, &info);
  return info.GetName();
}

} // namespace

TEST(SaveDllList, KeepsTheUsableSaversInNameOrderEndsEveryPluginOnceAndLogsTheOthers) {
  const std::string logPath = std::string(CCamDataDir().GetPath()) + "/ErrorLog.txt";
  std::filesystem::remove(logPath);
  Journal journal;
  auto list = std::make_unique<CSaveDllList>(0, TARSEL_TEST_SAVERS);

  // The refused and the incomplete plug-in were ended at once.
  EXPECT_EQ(journal.take(), (Lines{"File SavInit", "FTP SavInit", "NoDisplay SavInit", "NoDisplay SavTerm",
                                   "Refuses SavInit", "Refuses SavTerm"}));
  ASSERT_EQ(list->GetCount(), 2);
  EXPECT_EQ(nameOf(list->GetAt(0)), "File");
  EXPECT_EQ(nameOf(list->GetAt(1)), "FTP");
  EXPECT_EQ(list->GetCurrent(), -1);

  const std::string log = tarsel::test::readFile(logPath);
  for (const char* expected : {"TarselSBroken.so left out: cannot be loaded",
                               "TarselSNoDisplay.so left out: SavDisplayInfo is not exported",
                               "TarselSRefuses.so left out: SavInit answered 1"})
    EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;

  journal.take();
  list.reset();
  EXPECT_EQ(journal.take(), (Lines{"File SavTerm", "FTP SavTerm"}));
}

TEST(SaveDllList, ChoosesSaversByDisplayNameWithFileAsTheDefault) {
  Journal journal;
  CSaveDllList list(0, TARSEL_TEST_SAVERS);
  EXPECT_EQ(nameOf(list.FindSaver(nullptr, "")), "File");
  EXPECT_EQ(nameOf(list.FindSaver(nullptr, "ftp")), "FTP");
  EXPECT_EQ(list.GetCurrent(), 1);

  // The current saver is found again by its exact name without asking the others.
  journal.take();
  EXPECT_EQ(list.FindSaver(nullptr, "FTP"), list.GetAt(1));
  EXPECT_EQ(journal.take(), Lines{"FTP SavDisplayInfo"});

  EXPECT_EQ(list.FindSaver(nullptr, "Mail"), nullptr);
  EXPECT_EQ(list.GetCurrent(), -1);
  EXPECT_EQ(nameOf(list.FindSaver(nullptr, nullptr)), "File");

  tarsel::test::TempDir empty;
  CSaveDllList none(0, empty.path());
  EXPECT_EQ(none.GetCount(), 0);
  EXPECT_EQ(none.FindSaver(nullptr, ""), nullptr);
}

TEST(SaveDllList, AnInteractiveSaveGoesToTheSaverTheUserChoseWithTheSettingsDigitsAndNamingMode) {
  Journal journal;
  CSaveDllList list(0, TARSEL_TEST_SAVERS);
  CTarselSettings settings;
  auto user = tarsel::settings::OpenUserSettings(&settings, false);
  ASSERT_TRUE(user);
  user->SetLastMethodOfSaving("ftp");
  user->SetNumDigitsInCounter(5);
  user->SetLeavePictureInCamera(true);
  CSaveInfoFile info("D2X", 3);
  IPictureFromCamera* const pictures[2] = {};
  journal.take();

  EXPECT_EQ(SaveWithChosenSaver(list, &settings, nullptr, &info, pictures, 1), 0);
  EXPECT_EQ(SaveWithChosenSaver(list, &settings, nullptr, &info, pictures, 2), 0);
  user->SetLastMethodOfSaving("Mail");
  EXPECT_EQ(SaveWithChosenSaver(list, &settings, nullptr, &info, pictures, 1), 1223);
  Lines saves = journal.take();
  std::erase_if(saves, [](const std::string& line) { return line.ends_with("SavDisplayInfo"); });
  EXPECT_EQ(saves, (Lines{"FTP SavSave 5 0", "FTP SavSaveBunchUI 3 2"}));
}
