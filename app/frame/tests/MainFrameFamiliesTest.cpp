#include "MainFrameTestSupport.h"

#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/core/ConnectedCameras.h"
#include "app/core/ISdkPropertyPage.h"
#include "app/frame/CameraTypesDialog.h"
#include "app/frame/SdkFamily.h"
#include "app/settings/TarselSettings.h"

#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>

#include <cstdlib>
#include <functional>

using tarsel::frame::test::FrameTest;

namespace {

// The object's reference count, measured without changing it.
std::int32_t countOf(CRefCounted* object) {
  const std::int32_t count = object->AddRef() - 1;
  object->Release();
  return count;
}

struct Row {
  const char* name;
  std::function<IBaseSDK_Wr*(ITarselSettings*)> get;
  std::function<void()> release;
  const char* sdkName;
  const char* diagnostics;
};

std::vector<Row> rows() {
  return {
      {"ActiveX", GetLunetSdkWrapper, ReleaseLunetSdkWrapper, "BRANTEL_SDK2.0", "SDK: 2.0\r\n"},
  };
}

class MainFrameFamilies : public FrameTest {};

} // namespace

TEST(FamilyStandIns, TheAccessorKeepsOnlyTheLastSettingsAndReleaseGivesAFreshSingleton) {
  for (const Row& row : rows()) {
    SCOPED_TRACE(row.name);
    auto* first = new CTarselSettings();
    auto* second = new CTarselSettings();
    first->AddRef();
    second->AddRef();

    IBaseSDK_Wr* sdk = row.get(first);
    ASSERT_NE(sdk, nullptr);
    EXPECT_EQ(countOf(first), 2);
    EXPECT_EQ(sdk->GetSettings(), first);
    EXPECT_EQ(row.get(nullptr), sdk);
    EXPECT_EQ(countOf(first), 2);
    EXPECT_EQ(row.get(second), sdk);
    EXPECT_EQ(countOf(first), 1);
    EXPECT_EQ(countOf(second), 2);
    EXPECT_EQ(row.get(second), sdk);
    EXPECT_EQ(countOf(second), 2);
    EXPECT_EQ(sdk->GetSettings(), second);

    EXPECT_STREQ(sdk->GetSdkName(), row.sdkName);
    EXPECT_EQ(sdk->IsEnabled(), nullptr);
    CConnectedCameras list;
    EXPECT_EQ(sdk->EnumerateCameras(nullptr, &list), 0);
    EXPECT_EQ(list.GetCount(), 0);
    ISdkPropertyPage* page = reinterpret_cast<ISdkPropertyPage*>(&list);
    sdk->CreateSettingsPage(&page);
    EXPECT_EQ(page, nullptr);
    std::string text = "old";
    sdk->GetDiagnosticText(&text, true);
    EXPECT_EQ(text, row.diagnostics);
    sdk->GetDiagnosticText(&text, false);
    EXPECT_EQ(text, "");

    row.release();
    EXPECT_EQ(countOf(second), 1);
    IBaseSDK_Wr* fresh = row.get(nullptr);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->GetSettings(), nullptr);
    row.release();
    row.release();
    first->Release();
    second->Release();
  }
}

TEST_F(MainFrameFamilies, TheProductStartsWithoutCamerasOrDialogAndShutsDownTwice) {
  const auto families = tarsel::frame::ProductFamilies();
  ASSERT_EQ(families.size(), 3u);
  EXPECT_EQ(families[0].name, "camera-link");
  EXPECT_EQ(families[1].name, "ActiveX");
  EXPECT_EQ(families[2].name, "Canon");

  MainFrameOptions options = optionsFor({});
  options.families.clear();
  CMainFrame& frame = start(options);
  EXPECT_TRUE(frame.CameraWindows().empty());
  EXPECT_EQ(frame.PaneText(0), "No Camera");
  EXPECT_TRUE(m_questions.empty());
  EXPECT_TRUE(m_errors.empty());

  // Neither the camera-link library nor the Canon SDK is beside this test
  // program: those families stay off and the other is listed.
  unsetenv("TARSEL_CDSDK");
  IBaseSDK_Wr* list[3] = {};
  int count = 3;
  ASSERT_TRUE(frame.GetSdkList(list, &count));
  ASSERT_EQ(count, 1);
  EXPECT_STREQ(list[0]->GetSdkName(), "BRANTEL_SDK2.0");
  // The family keeps the application's settings object.
  EXPECT_EQ(list[0]->GetSettings(), settings());
  EXPECT_EQ(countOf(settings()), 2);

  frame.ShutdownSdks();
  EXPECT_EQ(countOf(settings()), 1);
  frame.ShutdownSdks();
  EXPECT_EQ(countOf(settings()), 1);
}

namespace {

// A family page whose widget belongs to the page, not to the dialog.
class TestPage : public ISdkPropertyPage {
public:
  explicit TestPage(bool withWidget) {
    if (withWidget) {
      m_widget = std::make_unique<QWidget>();
      m_widget->setWindowTitle("Test family");
    }
  }
  QWidget* GetPropertyPage() override { return m_widget.get(); }
  QWidget* widget() const { return m_widget.get(); }

private:
  std::unique_ptr<QWidget> m_widget;
};

// A page widget that the dialog applies on OK, as the families' pages.
class ApplyingWidget : public QWidget {
  Q_OBJECT

public:
  Q_INVOKABLE bool Apply() {
    ++applied;
    return answer;
  }
  bool answer = true;
  int applied = 0;
};

class ApplyingPage : public ISdkPropertyPage {
public:
  QWidget* GetPropertyPage() override { return &widget; }
  ApplyingWidget widget;
};

} // namespace

TEST(CameraTypesDialog, OkAppliesEveryPageAndARefusingPageKeepsItOpen) {
  TestPage plain(true);
  ApplyingPage first;
  ApplyingPage second;
  second.widget.answer = false;
  tarsel::frame::CameraTypesDialog dialog({&first, &plain, &second});
  auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
  ok->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(dialog.findChild<QTabWidget*>()->currentWidget(), &second.widget);
  second.widget.answer = true;
  ok->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(first.widget.applied, 2);
  EXPECT_EQ(second.widget.applied, 2);
}

TEST(CameraTypesDialog, ShowsPagesWithAWidgetAndHandsTheWidgetsBack) {
  TestPage withWidget(true);
  TestPage without(false);
  QPointer<QWidget> widget = withWidget.widget();
  {
    tarsel::frame::CameraTypesDialog dialog({&without, &withWidget, nullptr});
    EXPECT_EQ(dialog.PageCount(), 1);
    EXPECT_EQ(dialog.windowTitle(), "Select Camera Models");
    EXPECT_NE(widget->parent(), nullptr);
  }
  ASSERT_FALSE(widget.isNull());
  EXPECT_EQ(widget->parent(), nullptr);
  tarsel::frame::CameraTypesDialog empty({&without});
  EXPECT_EQ(empty.PageCount(), 0);
}

TEST(UdevDeviceWatcher, IsMadeAndEndedCleanlyOrNotAtAll) {
  // Without udev (a container) there is no watcher; with it, one that ends cleanly.
  std::unique_ptr<tarsel::frame::IDeviceWatcher> watcher = tarsel::frame::MakeUdevDeviceWatcher();
  watcher.reset();
  SUCCEED();
}

#include "MainFrameFamiliesTest.moc"
