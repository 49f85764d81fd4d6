// The Options sheet over the program's settings store and the saver
// plug-ins of the build: every own page shows the stored values, keeps
// what the user left alone (out-of-range numbers too), stores what the user
// changed and refuses numbers out of range; the savers' pages follow the
// own ones; the frame's command opens the sheet on the page shown last.
#include "MainFrameTestSupport.h"

#include "app/frame/CommandIds.h"
#include "app/frame/OptionsPage.h"
#include "app/frame/PropertySheetMy.h"
#include "app/frame/SpinEdit.h"
#include "app/saving/SaveDllDisplayInfo.h"
#include "app/saving/SaveDllList.h"
#include "app/saving/SaveDllWrapper.h"
#include "app/settings/SettingsAccess.h"
#include "app/settings/TarselSettings.h"
#include "app/ui/DialogControls.h"
#include "hostapi/ISaverSettings.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <memory>
#include <string>

using tarsel::frame::test::FrameTest;
using tarsel::frame::test::setUserOption;

namespace {

class OptionsSheet : public FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    // A fresh installation: nothing stored yet.
    RegDeleteTreeA(HKEY_CURRENT_USER, tarsel::settings::kOptionsKey);
    m_savers = std::make_unique<CSaveDllList>(0, tarsel::test::binDir());
  }
  void TearDown() override {
    m_sheet.reset();
    FrameTest::TearDown();
    m_savers.reset();
  }

  CPropertySheetMy& open() {
    m_sheet = std::make_unique<CPropertySheetMy>(settings(), m_savers.get());
    m_sheet->SelectLastPage();
    m_sheet->show();
    return *m_sheet;
  }
  template <class Control> Control* control(int id) const {
    auto* found = m_sheet->findChild<Control*>(tarsel::ui::ControlName(id));
    EXPECT_NE(found, nullptr) << id;
    return found;
  }
  CRefPtr<ITarselConfigSettings> user() const { return tarsel::settings::OpenUserSettings(settings(), true); }
  void press(QDialogButtonBox::StandardButton button) const { m_sheet->Buttons()->button(button)->click(); }

  std::unique_ptr<CSaveDllList> m_savers;
  std::unique_ptr<CPropertySheetMy> m_sheet;
};

bool isStored(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, tarsel::settings::kOptionsKey, 0, KEY_READ, &key) != 0)
    return false;
  const bool found = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == 0;
  RegCloseKey(key);
  return found;
}

std::string filePrefix(ITarselConfigSettings& user) {
  char text[64] = {};
  DWORD size = sizeof text - 1;
  return user.GetFilePrefix(text, &size) == 0 ? text : "";
}

} // namespace

TEST_F(OptionsSheet, ShowsTheStoredValuesKeepsWhatIsLeftAloneAndStoresWhatTheUserChanged) {
  {
    const auto writable = tarsel::settings::OpenUserSettings(settings(), false);
    writable->SetUseDeviceNotifications(false);
    writable->SetLeavePictureInCamera(true);
    writable->SetDoNotDisplayPicture(true);
    writable->SetRotation(2);
    writable->SetNumDigitsInCounter(0);
    writable->SetAutoSaveAfterTaking(true);
    writable->SetCamNameUse(1);
    writable->SetFilePrefix("shot");
    writable->SetBracketingParam(2);
  }
  ASSERT_GT(m_savers->GetCount(), 0);
  CPropertySheetMy& sheet = open();

  // The own pages, then the savers' pages (the file saver's first).
  ASSERT_GT(sheet.Tabs()->count(), 4);
  for (int i = 0; i < sheet.Tabs()->count(); ++i)
    EXPECT_EQ(qobject_cast<tarsel::frame::OptionsPage*>(sheet.Tabs()->widget(i)) != nullptr, i < 4) << i;
  EXPECT_EQ(sheet.Tabs()->tabText(4).toStdString(), "File Options");

  EXPECT_FALSE(control<QCheckBox>(1063)->isChecked());
  EXPECT_TRUE(control<QCheckBox>(1069)->isChecked());
  EXPECT_EQ(control<QCheckBox>(2027)->checkState(), Qt::PartiallyChecked);
  EXPECT_TRUE(control<QCheckBox>(1065)->isChecked());
  EXPECT_TRUE(control<QAbstractButton>(1050)->isChecked()) << "a rotation of 2 shows as none";
  EXPECT_EQ(control<QComboBox>(1077)->currentText().toStdString(), "File");
  EXPECT_EQ(control<tarsel::frame::SpinEdit>(1048)->value(), 0);
  EXPECT_TRUE(control<QCheckBox>(1067)->isChecked());
  EXPECT_FALSE(control<QCheckBox>(1068)->isChecked());
  EXPECT_TRUE(control<QAbstractButton>(1003)->isChecked());
  EXPECT_EQ(control<QLineEdit>(1076)->text().toStdString(), "shot");
  EXPECT_TRUE(control<QLineEdit>(1076)->isEnabled());
  EXPECT_EQ(control<tarsel::frame::SpinEdit>(1052)->value(), 0) << "the stored 0 is not clamped to 1";
  EXPECT_FALSE(control<QGroupBox>(2062)->isEnabled());
  EXPECT_TRUE(control<QAbstractButton>(2060)->isChecked());

  // Left alone: the undecided choice and the colour stay absent, 0 pictures stay 0.
  press(QDialogButtonBox::Ok);
  EXPECT_TRUE(m_questions.empty()) << m_questions.front().toStdString();
  EXPECT_FALSE(isStored("LcdOrPreview"));
  EXPECT_FALSE(isStored("BackgroundColor"));
  EXPECT_EQ(user()->GetBracketingNumPics(), 0u);
  EXPECT_EQ(user()->GetNumDigitsInCounter(), 0u);
  EXPECT_EQ(user()->GetRotation(), 0u);
  EXPECT_EQ(filePrefix(*user()), "shot");

  // Changed through the controls and applied.
  open();
  EXPECT_FALSE(m_sheet->Buttons()->button(QDialogButtonBox::Apply)->isEnabled());
  control<QCheckBox>(1063)->click();
  control<QCheckBox>(1069)->click();
  control<QCheckBox>(2027)->setCheckState(Qt::Checked);
  QTimer::singleShot(0, [] {
    if (auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
      dialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
      dialog->accept();
    }
  });
  control<QPushButton>(2106)->click();
  control<QCheckBox>(1065)->click();
  control<QAbstractButton>(1052)->click();
  control<tarsel::frame::SpinEdit>(1048)->setValue(3);
  control<QCheckBox>(1068)->click();
  control<QAbstractButton>(1002)->click();
  EXPECT_TRUE(control<QLineEdit>(1076)->text().isEmpty());
  EXPECT_FALSE(control<QLineEdit>(1076)->isEnabled());
  control<tarsel::frame::SpinEdit>(1052)->setValue(3);
  EXPECT_TRUE(control<QGroupBox>(2062)->isEnabled());
  control<QAbstractButton>(2059)->click();
  EXPECT_TRUE(m_sheet->Buttons()->button(QDialogButtonBox::Apply)->isEnabled());
  press(QDialogButtonBox::Apply);
  EXPECT_EQ(m_sheet->Buttons()->button(QDialogButtonBox::Cancel)->text().toStdString(), "Close");

  const auto stored = user();
  EXPECT_TRUE(stored->GetUseDeviceNotifications());
  EXPECT_FALSE(stored->GetLeavePictureInCamera());
  bool onlyOne = false;
  EXPECT_EQ(stored->GetLcdOrPreview(&onlyOne), 0);
  EXPECT_TRUE(onlyOne);
  EXPECT_EQ(stored->GetBackgroundColor(), 0x563412u) << "a COLORREF is 0x00BBGGRR";
  EXPECT_FALSE(stored->GetDoNotDisplayPicture());
  EXPECT_EQ(stored->GetRotation(), 3u);
  EXPECT_EQ(stored->GetNumDigitsInCounter(), 3u);
  EXPECT_TRUE(stored->GetAutoSaveAfterTakingSingle());
  EXPECT_EQ(stored->GetCamNameUse(), 0u);
  EXPECT_EQ(filePrefix(*stored), "shot") << "the folder mode's prefix is kept";
  EXPECT_EQ(stored->GetBracketingNumPics(), 3u);
  EXPECT_EQ(stored->GetBracketingParam(), 1u);
}

TEST_F(OptionsSheet, TheFileSaversPageShowsTheFolderItsSavesGoToAndKeepsItUnstoredWhenLeftAlone) {
  // The file saver comes first.
  ASSERT_GT(m_savers->GetCount(), 0);
  CSaveDllWrapper* saver = m_savers->GetAt(0);
  const auto location = [&] {
    CSaveDllDisplayInfo display;
    EXPECT_EQ(saver->DisplayInfo(settings(), &display), 0);
    return std::string(display.GetLocation());
  };
  const auto rootField = [&] { return m_sheet->Tabs()->widget(4)->findChild<QLineEdit*>(); };
  const std::string dataFolder = location();
  ASSERT_FALSE(dataFolder.empty());

  open();
  EXPECT_EQ(rootField()->text().toStdString(), dataFolder);
  press(QDialogButtonBox::Ok);
  ISaverSettings* opened = nullptr;
  ASSERT_EQ(settings()->GetSaverSettings("FILE", &opened, true), 0);
  CRefPtr<ISaverSettings> key;
  key.Attach(opened);
  char stored[300] = {};
  DWORD size = sizeof stored - 1;
  const LONG read = key->GetString("RootDir", stored, &size);
  EXPECT_TRUE(read != 0 || stored[0] == '\0') << "the default folder stays unstored: " << stored;

  // A folder the user typed is stored and shown from then on.
  tarsel::test::TempDir chosen;
  open();
  rootField()->setText(QString::fromStdString(chosen.path()));
  press(QDialogButtonBox::Ok);
  EXPECT_EQ(location(), chosen.path());
  open();
  EXPECT_EQ(rootField()->text().toStdString(), chosen.path());
}

TEST_F(OptionsSheet, RefusesNumbersOutOfRangeAndStaysOnTheirPage) {
  setUserOption("BraketingNumPics", 5);
  for (const auto& [id, typed, page] :
       {std::tuple{1048, -1, 2}, {1048, 32768, 2}, {1052, 0, 3}, {1052, -4, 3}}) {
    SCOPED_TRACE(id);
    m_questions.clear();
    CPropertySheetMy& sheet = open();
    sheet.Tabs()->setCurrentIndex(0);
    control<tarsel::frame::SpinEdit>(id)->setValue(typed);
    press(QDialogButtonBox::Ok);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.Tabs()->currentIndex(), page);
    EXPECT_EQ(m_questions.size(), 1u);
  }
  EXPECT_EQ(user()->GetNumDigitsInCounter(), 4u);
  EXPECT_EQ(user()->GetBracketingNumPics(), 5u);
}

TEST_F(OptionsSheet, TheFrameCommandOpensTheSheetOnThePageShownLast) {
  CMainFrame& frame = start(optionsFor({}));
  EXPECT_TRUE(frame.CommandState(tarsel::frame::cmd::Options).enabled);
  // Shown last: a saver's page of a sheet with more pages than the next one has.
  open().Tabs()->setCurrentIndex(m_sheet->Tabs()->count() - 1);
  m_sheet.reset();
  ASSERT_GT(CPropertySheetMy::LastPage(), 3);
  int shownPage = -1;
  QTimer::singleShot(0, [&] {
    if (auto* shown = qobject_cast<CPropertySheetMy*>(QApplication::activeModalWidget())) {
      shownPage = shown->Tabs()->currentIndex();
      shown->Tabs()->setCurrentIndex(2);
      shown->reject();
    }
  });
  EXPECT_TRUE(frame.RunCommand(tarsel::frame::cmd::Options));
  EXPECT_EQ(shownPage, 0) << "the frame's sheet has no saver pages";
  EXPECT_EQ(CPropertySheetMy::LastPage(), 2);
}
