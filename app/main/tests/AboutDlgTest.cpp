#include "app/main/AboutDlg.h"

#include "app/main/EnvHooks.h"
#include "app/main/StaticLink.h"
#include "app/main/tests/UrlRecorder.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/MessageQuestion.h"
#include "env/HtmlHelp.h"
#include "platform/testsupport/TestSupport.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFont>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <vector>

namespace {

using tarsel::program::EnvHooks;
using tarsel::program::test::UrlRecorder;

void releaseMouse(QWidget* widget, Qt::MouseButton button) {
  const QPointF inside(2, 2);
  QMouseEvent press(QEvent::MouseButtonPress, inside, widget->mapToGlobal(inside), button, button,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, inside, widget->mapToGlobal(inside), button, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &release);
}

} // namespace

TEST(AboutDlg, HelpButtonsShowTheirTopicsOfTheHelpFolderInTheHelpWindow) {
  // The pages of the build, as the program finds them beside itself.
  const tarsel::test::ScopedEnv helpFolder("TARSEL_HELP_DIR", tarsel::test::binDir() + "/help");
  std::vector<QString> boxes;
  tarsel::ui::SetAskUserHook([&boxes](const QString& text, tarsel::ui::Buttons, tarsel::ui::Icon) {
    boxes.push_back(text);
    return tarsel::ui::IDOK;
  });
  EnvHooks hooks;
  UrlRecorder browser(QStringLiteral("file"));
  CAboutDlg dialog;

  struct Row {
    int id;
    const char* topic;
  };
  const Row rows[] = {{2101, "10_legal_stuff.htm"}, {2102, "101_Acknowledgements.htm"}};
  const QString folder = QString::fromStdString(CHtmlHelp::HelpFolder());
  for (const Row& row : rows) {
    auto* button = qobject_cast<QAbstractButton*>(dialog.GetDlgItem(row.id));
    ASSERT_NE(button, nullptr) << row.id;
    button->click();
    const tarsel::ui::HelpWindow* window = tarsel::ui::HelpWindow::Instance();
    ASSERT_NE(window, nullptr) << row.id;
    EXPECT_EQ(window->browser()->source().toLocalFile(), folder + "/" + row.topic);
    EXPECT_FALSE(window->browser()->toPlainText().isEmpty());
  }
  EXPECT_TRUE(boxes.empty()) << boxes.front().toStdString();
  EXPECT_TRUE(browser.urls.empty());
  tarsel::ui::SetAskUserHook({});
}

TEST(AboutDlg, WebLinkLooksLikeALinkAndOpensTheProductPageOnALeftClick) {
  UrlRecorder browser(CAboutDlg::ProductPage().scheme());
  CAboutDlg dialog;
  auto* link = qobject_cast<CStaticLink*>(dialog.GetDlgItem(1019));
  ASSERT_NE(link, nullptr);

  EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(link->font().underline());
  EXPECT_EQ(link->font().weight(), QFont::Normal);
  EXPECT_EQ(link->font().family(), dialog.font().family());

  releaseMouse(link, Qt::RightButton);
  EXPECT_TRUE(browser.urls.empty());
  releaseMouse(link, Qt::LeftButton);
  ASSERT_EQ(browser.urls.size(), 1u);
  EXPECT_EQ(browser.urls[0], CAboutDlg::ProductPage());
  EXPECT_EQ(browser.urls[0].host(), QStringLiteral("tarsel.example.org"));
}
