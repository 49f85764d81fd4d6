#include "app/main/EnvHooks.h"

#include "app/main/tests/UrlRecorder.h"
#include "app/ui/HelpWindow.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/HtmlHelp.h"
#include "platform/testsupport/TestSupport.h"

#include <QCoreApplication>
#include <QTextBrowser>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using tarsel::program::EnvHooks;
using tarsel::program::test::UrlRecorder;

struct Box {
  QWidget* parent;
  QString text;
  QString caption;
  MessageBoxIcon icon;
  QThread* thread;
};

// Reporting is on while the test runs, as while the main frame exists.
class ReportingOn {
public:
  ReportingOn() { _brantel_take_error::DoReporting(true); }
  ~ReportingOn() { _brantel_take_error::DoReporting(false); }
};

EnvHooks::ShowBox recordInto(std::vector<Box>& boxes) {
  return [&boxes](QWidget* parent, const QString& text, const QString& caption, MessageBoxIcon icon) {
    boxes.push_back({parent, text, caption, icon, QThread::currentThread()});
  };
}

} // namespace

TEST(EnvHooks, ErrorBoxOnTheInterfaceThreadShowsAtOnceOverItsParent) {
  ReportingOn reporting;
  std::vector<Box> boxes;
  EnvHooks hooks(recordInto(boxes));
  QWidget parent;

  ReportError(static_cast<HRESULT>(0x80004005), &parent);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].parent, &parent);
  EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("Error: "))) << boxes[0].text.toStdString();
  EXPECT_EQ(boxes[0].caption, QStringLiteral("Tarsel"));
  EXPECT_EQ(boxes[0].icon, MessageBoxIcon::Error);
}

TEST(EnvHooks, AnErrorWhileABoxIsOpenGoesToTheLogInsteadOfANestedBox) {
  ReportingOn reporting;
  int shown = 0;
  EnvHooks hooks([&shown](QWidget*, const QString&, const QString&, MessageBoxIcon) {
    ++shown;
    // Inside the box's own event loop a failed take reports again.
    ReportError(static_cast<HRESULT>(0x80004005), nullptr);
  });
  ReportError(static_cast<HRESULT>(0x80004005), nullptr);
  EXPECT_EQ(shown, 1);
  ReportError(static_cast<HRESULT>(0x80004005), nullptr);
  EXPECT_EQ(shown, 2) << "the next error after the box closed shows a box again";
}

TEST(EnvHooks, ErrorBoxFromAWorkerIsPostedAndTheWorkerNeverWaits) {
  ReportingOn reporting;
  std::vector<Box> boxes;
  EnvHooks hooks(recordInto(boxes));
  QWidget parent;

  // The interface thread joins the worker without running its event loop:
  // a hook that waited for the box would never let the worker end.
  std::thread worker([&parent] { ReportError(0, &parent, nullptr, "Worker"); });
  worker.join();
  EXPECT_TRUE(boxes.empty());

  QCoreApplication::sendPostedEvents(&hooks);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].thread, QThread::currentThread());
  // The parent may be gone by then: the posted box stands alone.
  EXPECT_EQ(boxes[0].parent, nullptr);
  EXPECT_EQ(boxes[0].caption, QStringLiteral("Worker"));
  EXPECT_EQ(boxes[0].icon, MessageBoxIcon::Information);
}

TEST(EnvHooks, RemovedHooksPutBackThePreviousOnesAndPostNothingMore) {
  ReportingOn reporting;
  std::vector<std::string> earlier;
  const MessageBoxHook outer = SetMessageBoxHook([&earlier](HWND, const std::string& text, const std::string&,
                                                            MessageBoxIcon) { earlier.push_back(text); });

  std::vector<Box> boxes;
  {
    EnvHooks hooks(recordInto(boxes));
    std::thread worker([] { ReportError(static_cast<HRESULT>(0x80004005), nullptr); });
    worker.join();
  }
  QCoreApplication::sendPostedEvents();
  // What a worker posted just before the hooks went is dropped with them.
  EXPECT_TRUE(boxes.empty());

  ReportError(static_cast<HRESULT>(0x80004005), nullptr);
  EXPECT_EQ(earlier.size(), 1u);
  SetMessageBoxHook(outer);
}

TEST(EnvHooks, HelpPagesShowInTheProgramsHelpWindowOnTheInterfaceThreadFromAnyThread) {
  tarsel::test::TempDir folder;
  const tarsel::test::ScopedEnv helpFolder("TARSEL_HELP_DIR", folder.path());
  for (const char* page : {"01_introduction.htm", "a topic & more.htm"})
    tarsel::test::writeFile(folder.file(page), std::string("<html><body>") + page + "</body></html>");
  EnvHooks hooks;
  // No desktop launcher is asked: the program shows its pages itself.
  UrlRecorder browser(QStringLiteral("file"));
  CHtmlHelp help;
  const auto shown = [] {
    const tarsel::ui::HelpWindow* window = tarsel::ui::HelpWindow::Instance();
    return window ? window->browser()->source().toLocalFile() : QString();
  };

  help.DisplayHelp(nullptr, "01_introduction.htm");
  EXPECT_EQ(shown(), QString::fromStdString(folder.file("01_introduction.htm")));

  std::thread worker([&help] { help.DisplayHelp(nullptr, "a topic & more.htm"); });
  worker.join();
  EXPECT_EQ(shown(), QString::fromStdString(folder.file("01_introduction.htm")));
  QCoreApplication::sendPostedEvents(&hooks);
  // The page name's spaces and '&' survive the trip as one file name.
  EXPECT_EQ(shown(), QString::fromStdString(folder.file("a topic & more.htm")));
  EXPECT_TRUE(tarsel::ui::HelpWindow::Instance()->browser()->toPlainText().contains(
      QStringLiteral("a topic & more.htm")));
  EXPECT_TRUE(browser.urls.empty());
}
