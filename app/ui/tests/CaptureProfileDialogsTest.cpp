#include "app/ui/CaptureProfileDialogs.h"
#include "app/core/CaptureProfileStorage.h"
#include "app/settings/SettingsAccess.h"
#include "app/settings/TarselSettings.h"
#include "app/testsupport/FileDialogAnswer.h"
#include "platform/testsupport/TestSupport.h"

#include <QFileDialog>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using tarsel::test::readFile;
using tarsel::test::TempDir;

namespace {

std::string lastFolder(ITarselSettings* settings) {
  const auto params = tarsel::settings::OpenPersistentParams(settings, true);
  char buffer[260] = {};
  DWORD size = sizeof buffer;
  return params && params->GetLastUsedCaptureSettingsProfilePath(buffer, &size) == 0 ? buffer : "";
}

} // namespace

TEST(CaptureProfileDialogs, SaveAndOpenStartInTheLastFolderAndCancellingChangesNothing) {
  CTarselSettings settings;
  TempDir dir;
  CCaptureProfileStorage storage;
  storage.SetData("CPFFv001\r\n", 10);
  tarsel::settings::OpenPersistentParams(&settings, false)->SetLastUsedCaptureSettingsProfilePath("");

  QString filter;
  tarsel::test::answerNextFileDialog([&](QFileDialog& dialog) {
    filter = dialog.nameFilters().value(0);
    dialog.reject();
  });
  EXPECT_FALSE(tarsel::ui::SaveCaptureProfileFile(storage, nullptr, &settings));
  EXPECT_EQ(filter.toStdString(), "Capture Profile Files files (*.cpff)");
  EXPECT_EQ(lastFolder(&settings), "");

  // The suffix is added to a name given without it.
  tarsel::test::answerNextFileDialog([&](QFileDialog& dialog) {
    dialog.selectFile(QString::fromStdString(dir.file("day")));
    static_cast<QDialog&>(dialog).accept();
  });
  ASSERT_TRUE(tarsel::ui::SaveCaptureProfileFile(storage, nullptr, &settings));
  EXPECT_EQ(readFile(dir.file("day.cpff")), "CPFFv001\r\n");
  EXPECT_EQ(lastFolder(&settings), dir.path() + "/");

  // Opening starts there; a name with "$" is taken as it stands.
  std::filesystem::rename(dir.file("day.cpff"), dir.file("$HOME.cpff"));
  QString started;
  tarsel::test::answerNextFileDialog([&](QFileDialog& dialog) {
    started = dialog.directory().absolutePath();
    dialog.selectFile(QString::fromStdString(dir.file("$HOME.cpff")));
    static_cast<QDialog&>(dialog).accept();
  });
  CCaptureProfileStorage opened;
  ASSERT_TRUE(tarsel::ui::OpenCaptureProfileFile(opened, nullptr, &settings));
  EXPECT_EQ(started.toStdString(), dir.path());
  std::uint32_t length = 0;
  const void* data = opened.GetData(length);
  EXPECT_EQ(std::string(static_cast<const char*>(data), length), "CPFFv001\r\n");

  tarsel::test::answerNextFileDialog([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_FALSE(tarsel::ui::OpenCaptureProfileFile(opened, nullptr, &settings));
  opened.GetData(length);
  EXPECT_EQ(length, 10u);
}
