// The program BrantelVeskConfig: "/R" (the whole command line) refreshes the
// cameras quietly; anything else opens the dialog. The exit code is 0.
#include "app/ui/GuardedApplication.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/ProgramFolder.h"
#include "drvconfig/BrantelVeskConfigDlg.h"
#include "drvconfig/ConfigTexts.h"
#include "drvconfig/InvokingUser.h"
#include "drvconfig/QuietRefresh.h"
#include "env/HtmlHelp.h"
#include "env/SysVersion.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Tests run the program without anybody to answer its boxes: with
// TARSEL_TEST_MESSAGE_LOG set, each box's text is appended to that file and
// answered with its first button.
void AnswerBoxesForTests() {
  const char* log = std::getenv("TARSEL_TEST_MESSAGE_LOG");
  if (!log || !*log)
    return;
  const std::string path = log;
  tarsel::ui::SetAskUserHook([path](const QString& text, tarsel::ui::Buttons buttons, tarsel::ui::Icon) {
    if (std::FILE* file = std::fopen(path.c_str(), "a")) {
      std::fprintf(file, "%s\n", text.toUtf8().constData());
      std::fclose(file);
    }
    return buttons == tarsel::ui::Buttons::YesNo || buttons == tarsel::ui::Buttons::YesNoCancel
               ? tarsel::ui::IDYES
               : tarsel::ui::IDOK;
  });
}

} // namespace

int main(int argc, char** argv) {
  tarsel::drvconfig::UseInvokingUsersRegistry();
  tarsel::ui::GuardedApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(tarsel::drvconfig::ConfigText(tarsel::drvconfig::IDS_CAPTION));
  AnswerBoxesForTests();
  CHtmlHelp::SetDisplayHook(tarsel::ui::HelpWindow::DisplayHook());

  char folder[kProgramFolderSize] = {};
  GetProgramFolder(folder, sizeof folder);
  if (argc == 2 && std::strcmp(argv[1], "/R") == 0) {
    tarsel::drvconfig::CVeskInstCalls calls(folder);
    tarsel::drvconfig::RunQuietRefresh(calls);
    return 0;
  }
  tarsel::drvconfig::CBrantelVeskConfigDlg dialog(folder, [] { return IsAdmin(); });
  dialog.exec();
  return 0;
}
