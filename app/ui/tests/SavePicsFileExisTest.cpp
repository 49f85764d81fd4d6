// The file-exists question: each way of closing it gives its answer and the
// "apply to all" state the caller acts on.
#include "app/ui/SavePicsFileExis.h"

#include "app/ui/MessageQuestion.h"

#include <QAbstractButton>
#include <QCheckBox>

#include <gtest/gtest.h>

namespace {

void click(SavePicsFileExis& question, int id) {
  auto* button = qobject_cast<QAbstractButton*>(question.GetDlgItem(id));
  ASSERT_NE(button, nullptr) << id;
  button->click();
}

TEST(SavePicsFileExis, EachWayOfClosingGivesItsAnswerAndApplyToAllCountsOnlyWithAnAnswer) {
  struct Row {
    int id; // the button clicked; 0: the close box
    int result;
  };
  const Row rows[] = {
      {SavePicsFileExis::IDC_OVERWRITE, SavePicsFileExis::IDC_OVERWRITE},
      {SavePicsFileExis::IDC_SKIP, SavePicsFileExis::IDC_SKIP},
      {SavePicsFileExis::IDC_SAVE_AS, SavePicsFileExis::IDC_SAVE_AS},
      {tarsel::ui::IDCANCEL, tarsel::ui::IDCANCEL},
      {0, tarsel::ui::IDCANCEL},
  };
  for (const Row& row : rows) {
    for (const bool applyToAll : {false, true}) {
      SCOPED_TRACE(testing::Message() << row.id << " apply to all " << applyToAll);
      SavePicsFileExis question(QStringLiteral("IMG_0001.JPG"));
      question.show();
      qobject_cast<QCheckBox*>(question.GetDlgItem(SavePicsFileExis::IDC_APPLY_TO_ALL))
          ->setChecked(applyToAll);
      if (row.id != 0)
        click(question, row.id);
      else
        question.close();
      EXPECT_FALSE(question.isVisible());
      EXPECT_EQ(question.result(), row.result);
      EXPECT_EQ(question.IsApplyToAll(), applyToAll && row.result != tarsel::ui::IDCANCEL);
    }
  }
}

TEST(SavePicsFileExis, ShowsTheNameCutTo259CharactersAndATestHookAnswersInPlaceOfTheUser) {
  SavePicsFileExis named(QStringLiteral("100%s_1.JPG"));
  EXPECT_EQ(named.MessageText(),
            QStringLiteral("File with the same name (100%s_1.JPG) exists in the destination folder. "));
  EXPECT_EQ(named.windowTitle(), QStringLiteral("File Exist"));

  const QString longName = QString(300, QLatin1Char('a'));
  SavePicsFileExis cut(longName);
  EXPECT_EQ(cut.FileName(), longName.left(259));
  EXPECT_TRUE(cut.MessageText().contains(QStringLiteral("(") + longName.left(259) + QStringLiteral(")")));

  const auto previous = SavePicsFileExis::SetHook([](SavePicsFileExis& question) {
    qobject_cast<QCheckBox*>(question.GetDlgItem(SavePicsFileExis::IDC_APPLY_TO_ALL))->setChecked(true);
    click(question, SavePicsFileExis::IDC_SKIP);
  });
  SavePicsFileExis hooked(QStringLiteral("a.jpg"));
  EXPECT_EQ(hooked.ShowModal(), SavePicsFileExis::IDC_SKIP);
  EXPECT_TRUE(hooked.IsApplyToAll());

  SavePicsFileExis::SetHook([](SavePicsFileExis&) {});
  SavePicsFileExis unanswered(QStringLiteral("a.jpg"));
  EXPECT_EQ(unanswered.ShowModal(), tarsel::ui::IDCANCEL);
  SavePicsFileExis::SetHook(previous);
}

} // namespace
