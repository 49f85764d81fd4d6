// The program's help window behind CHtmlHelp: a topic shows its page, links
// and the history work, one window serves every request, a page that cannot
// be shown is reported by name, and a modal dialog does not lock the window.
#include "app/ui/HelpWindow.h"
#include "app/ui/MessageQuestion.h"
#include "env/HtmlHelp.h"

#include "platform/testsupport/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QTextBrowser>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using tarsel::ui::HelpWindow;

namespace {

class HelpWindowTest : public ::testing::Test {
protected:
  HelpWindowTest() {
    writePage("index.html", "Contents", "<a href=\"first.htm\">First</a>");
    writePage("first.htm", "First topic", "Text of the first page. <a href=\"second.htm#part\">Second</a>");
    writePage("second.htm", "Second topic", "Text of the second page. <a href=\"gone.htm\">Gone</a>");
    CHtmlHelp::SetDisplayHook(HelpWindow::DisplayHook());
    tarsel::ui::SetAskUserHook([this](const QString& text, tarsel::ui::Buttons, tarsel::ui::Icon) {
      boxes.push_back(text.toStdString());
      return tarsel::ui::IDOK;
    });
  }
  ~HelpWindowTest() override {
    tarsel::ui::SetAskUserHook({});
    CHtmlHelp::SetDisplayHook({});
  }

  void writePage(const std::string& name, const std::string& title, const std::string& body) {
    tarsel::test::writeFile(folder.file(name), "<html><head><meta charset=\"utf-8\"><title>" + title +
                                                   "</title></head><body><p>" + body +
                                                   "</p><p><a name=\"part\">Part</a></p></body></html>");
  }
  QUrl page(const std::string& name) const {
    return QUrl::fromLocalFile(QString::fromStdString(folder.file(name)));
  }
  static QString shownText() { return HelpWindow::Instance()->browser()->toPlainText(); }
  static QUrl shownPage() {
    return HelpWindow::Instance()->browser()->source().adjusted(QUrl::RemoveFragment);
  }
  static QToolButton* button(const QString& text) {
    for (auto* candidate : HelpWindow::Instance()->findChildren<QToolButton*>())
      if (candidate->text() == text)
        return candidate;
    return nullptr;
  }

  tarsel::test::TempDir folder;
  tarsel::test::ScopedEnv helpFolder{"TARSEL_HELP_DIR", folder.path()};
  std::vector<std::string> boxes;
  CHtmlHelp help;
};

TEST_F(HelpWindowTest, ATopicShowsItsPageLinksAndHistoryWorkAndOneWindowServesEveryTopic) {
  QWidget owner;
  help.DisplayHelp(&owner, "first.htm");
  HelpWindow* window = HelpWindow::Instance();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(shownPage(), page("first.htm"));
  EXPECT_TRUE(shownText().contains(QStringLiteral("Text of the first page.")));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Help: First topic"));

  // What the browser sends when the link is clicked.
  emit window->browser()->anchorClicked(QUrl(QStringLiteral("second.htm#part")));
  EXPECT_EQ(shownPage(), page("second.htm"));
  EXPECT_EQ(window->browser()->source().fragment(), QStringLiteral("part"));
  EXPECT_TRUE(shownText().contains(QStringLiteral("Text of the second page.")));

  ASSERT_NE(button(QStringLiteral("&Back")), nullptr);
  ASSERT_TRUE(button(QStringLiteral("&Back"))->isEnabled());
  button(QStringLiteral("&Back"))->click();
  EXPECT_EQ(shownPage(), page("first.htm"));
  ASSERT_TRUE(button(QStringLiteral("&Forward"))->isEnabled());
  button(QStringLiteral("&Forward"))->click();
  EXPECT_EQ(shownPage(), page("second.htm"));

  button(QStringLiteral("&Contents"))->click();
  EXPECT_EQ(shownPage(), page("index.html"));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Help: Contents"));

  // The next topic, and the contents without a topic, reuse the window.
  window->hide();
  help.DisplayHelp(nullptr, "second.htm");
  EXPECT_EQ(HelpWindow::Instance(), window);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(shownPage(), page("second.htm"));
  help.DisplayHelp(nullptr, nullptr);
  EXPECT_EQ(shownPage(), page("index.html"));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(HelpWindowTest, APageThatCannotBeShownIsReportedByNameAndTheWindowKeepsItsPage) {
  // Before any window: the box, and no empty window.
  help.DisplayHelp(nullptr, "missing.htm");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find(folder.file("missing.htm")), std::string::npos) << boxes[0];
  EXPECT_EQ(HelpWindow::Instance(), nullptr);

  help.DisplayHelp(nullptr, "second.htm");
  ASSERT_NE(HelpWindow::Instance(), nullptr);
  emit HelpWindow::Instance()->browser()->anchorClicked(QUrl(QStringLiteral("gone.htm")));
  help.DisplayHelp(nullptr, "sub folder");
  std::filesystem::create_directory(folder.file("a folder.htm"));
  help.DisplayHelp(nullptr, "a folder.htm");

  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_NE(boxes[1].find(folder.file("gone.htm")), std::string::npos) << boxes[1];
  EXPECT_NE(boxes[2].find(folder.file("sub folder")), std::string::npos) << boxes[2];
  EXPECT_NE(boxes[3].find(folder.file("a folder.htm")), std::string::npos) << boxes[3];
  EXPECT_EQ(shownPage(), page("second.htm"));
  EXPECT_TRUE(shownText().contains(QStringLiteral("Text of the second page.")));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(HelpWindowTest, HelpAskedFromAModalDialogCanBeUsedAndOutlivesTheDialog) {
  auto dialog = std::make_unique<QDialog>();
  dialog->setModal(true);
  dialog->show();
  ASSERT_EQ(QApplication::activeModalWidget(), dialog.get());

  help.DisplayHelp(dialog.get(), "first.htm");
  HelpWindow* window = HelpWindow::Instance();
  ASSERT_NE(window, nullptr);
  // A window of the modal dialog is not blocked by it.
  EXPECT_EQ(window->parentWidget(), dialog.get());
  EXPECT_TRUE(window->isWindow());
  EXPECT_TRUE(window->isVisible());

  dialog->hide();
  dialog.reset();
  ASSERT_EQ(HelpWindow::Instance(), window);
  EXPECT_EQ(window->parentWidget(), nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(shownPage(), page("first.htm"));
}

} // namespace
