#include "app/frame/ChildView.h"
#include "app/frame/FocusStrip.h"
#include "app/frame/tests/FakeChildFrameSite.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/pictures/CamExtraCommand.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/settings/SettingsAccess.h"
#include "app/testcamera/TestJpeg.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/resource.h>

namespace tarsel::frame::test {
namespace {

using testcamera::CameraOp;
using testcamera::FakeCamera;

struct Focus {
  std::int32_t mode;
  std::int32_t value;
};

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class FocusStripTest : public WindowTest {
protected:
  // A window whose series holds one 800 x 600 picture per focus setting
  // (mode 0: no command), shown as a focus series.
  void startSeries(std::initializer_list<Focus> settings) {
    window = attach(makeCamera(), &camera);
    view = window->View();
    view->ShowFocusStrip(true);
    unsigned seed = 1;
    for (const Focus focus : settings) {
      CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
      const std::vector<BYTE> bytes = testcamera::makeTestJpeg(800, 600, seed++);
      picture->SetImage(bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, nullptr);
      CCamExtraCommand command;
      if (focus.mode != 0)
        command.SetCommand(focus.mode, focus.value);
      picture->SetExtraCommand(&command);
      picture->Decode(1, 1);
      window->GetHost()->AddToSeries(picture.get());
      view->ShowPicture(picture.get(), true);
    }
  }

  void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), QPointF(view->viewport()->mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &event);
  }
  QPoint onScreen(QPoint content) const { return content - view->ScrollOffset(); }

  CChildFrame* window = nullptr;
  FakeCamera* camera = nullptr;
  CChildView* view = nullptr;
};

TEST_F(FocusStripTest, TheStripIsAsWideAsItsSamplesOrItsPictureAndAClickInAGapChoosesNothing) {
  startSeries({{4, 120}, {1, 0}, {2, 0}});
  CFocusStrip& strip = view->FocusStrip();
  ASSERT_TRUE(strip.HasSample());
  EXPECT_EQ(strip.SampleRect().size(), QSize(200, 150));
  EXPECT_EQ(strip.GetWidth(), 304);
  EXPECT_GT(strip.SampleRect().top(), CFocusStrip::kSamplesBand);
  EXPECT_EQ(strip.GetHeight(), strip.SampleRect().bottom() + 1);
  EXPECT_EQ(view->GetImageWidth(nullptr), 304);
  EXPECT_TRUE(strip.SampleRect().contains(strip.Square()));

  for (const int x : {100, 101, 202, 203})
    mouse(QEvent::MouseButtonDblClick, QPoint(x, 50));
  EXPECT_EQ(camera->script().calls(CameraOp::ApplyFocusSettings), 0);
  EXPECT_TRUE(view->IsFocusStripShown());
  EXPECT_EQ(window->GetHost()->GetPictureCount(), 3);

  // One picture: the quarter-size picture is wider than the sample.
  view->ShowFocusStrip(false);
  view->ShowPicture(nullptr, true);
  window->GetHost()->ClearPictures();
  CRefPtr<IPictureFromCamera> big(new CPictureFromCamera);
  const std::vector<BYTE> bytes = testcamera::makeTestJpeg(1600, 1200, 9);
  big->SetImage(bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, nullptr);
  window->GetHost()->AddToSeries(big.get());
  view->ShowFocusStrip(true);
  view->ShowPicture(big.get(), true);
  EXPECT_EQ(strip.GetWidth(), 400);
  EXPECT_EQ(CFocusStrip::Label(big.get()), QStringLiteral("Unknown"));
  view->viewport()->grab();
}

TEST_F(FocusStripTest, TheSquareFollowsTheDragOnlyInsideThePictureAndNeverSticksOut) {
  startSeries({{4, 120}, {4, 140}});
  CFocusStrip& strip = view->FocusStrip();
  const QRect sample = strip.SampleRect();
  const QPoint grip = strip.Square().center();
  const QPoint offset = grip - strip.Square().topLeft();

  mouse(QEvent::MouseButtonPress, onScreen(grip));
  mouse(QEvent::MouseMove, onScreen(sample.topLeft() + QPoint(40, 30) + offset));
  EXPECT_EQ(strip.Square().topLeft(), sample.topLeft() + QPoint(40, 30));
  const QRect inside = strip.Square();
  // Near the corner the point is inside, the square would not be.
  mouse(QEvent::MouseMove, onScreen(sample.bottomRight() - QPoint(2, 2)));
  EXPECT_TRUE(sample.contains(strip.Square()));
  EXPECT_EQ(strip.Square().bottomRight(), sample.bottomRight());
  mouse(QEvent::MouseMove, onScreen(inside.topLeft() + offset));
  mouse(QEvent::MouseMove, onScreen(sample.bottomRight() + QPoint(30, 30)));
  mouse(QEvent::MouseButtonRelease, onScreen(sample.bottomRight() + QPoint(30, 30)));
  EXPECT_EQ(strip.Square(), inside);
  view->viewport()->grab();
}

TEST_F(FocusStripTest, ADoubleClickAppliesThatSamplesFocusEndsTheSeriesAndTakesOnePicture) {
  startSeries({{4, 120}, {4, 140}, {1, 0}});
  const int reports = camera->script().calls(CameraOp::ReportStatus);
  mouse(QEvent::MouseButtonDblClick, QPoint(102 + 50, 50));
  std::int32_t mode = 0;
  std::int32_t position = 0;
  ASSERT_TRUE(camera->lastFocus(&mode, &position));
  EXPECT_EQ(mode, 4);
  EXPECT_EQ(position, 140);
  EXPECT_EQ(camera->script().calls(CameraOp::ReportStatus), reports + 1);
  EXPECT_FALSE(view->IsFocusStripShown());
  EXPECT_FALSE(view->FocusStrip().HasSample());
  ASSERT_TRUE(pumpUntil([&] { return !window->IsBusy(); }));
  pumpFor(20ms);
  EXPECT_EQ(camera->picturesTaken(), 1);
  ASSERT_EQ(window->GetHost()->GetPictureCount(), 1);
  // Taken with an empty command: the camera keeps the focus just applied.
  const ICamExtraCommand* command = window->GetHost()->GetPicture(0)->GetExtraCommand();
  std::int32_t unused = 0;
  EXPECT_TRUE(!command || !command->GetCommand(&unused, &unused));
}

TEST_F(FocusStripTest, SavingNamesFilesAfterTheirFocusAsksBeforeReplacingAndLeavesNoPartialFile) {
  startSeries({{4, 120}, {1, 0}, {2, 0}, {0, 0}});
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString() + "/";
  const std::string names[] = {"000_F_120.JPG", "001_F_Auto.JPG", "002_F_Macro.JPG", "003_Unknown.JPG"};
  std::ofstream(folder + names[1]) << "old";
  CFocusStrip::SetFolderHook([&](const QString& title, const QString&) {
    EXPECT_EQ(title, QStringLiteral("Select folder where pictures will be saved"));
    return dir.path();
  });
  const auto saveAll = [&] {
    const std::unique_ptr<QMenu> menu = view->CreateContextMenu();
    for (QAction* action : menu->actions())
      if (action->data().toUInt() == cmd::SaveAllFocusingImages)
        action->trigger();
  };
  const auto bytesOf = [&](int index) {
    const auto bytes = window->GetHost()->GetPicture(index)->GetDataSnapshot();
    return std::string(bytes->begin(), bytes->end());
  };

  answers = {ui::IDCANCEL};
  saveAll();
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_TRUE(questions[0].text.startsWith(QString::fromStdString("File " + folder + names[1] + " exist.")));
  EXPECT_EQ(questions[0].buttons, ui::Buttons::OkCancel);
  EXPECT_EQ(fileBytes(folder + names[1]), "old");
  for (const int i : {0, 2, 3})
    EXPECT_EQ(fileBytes(folder + names[i]), bytesOf(i)) << names[i];
  const auto params = settings::OpenPersistentParams(site->GetSettings(), true);
  char stored[260] = {};
  DWORD size = sizeof stored;
  ASSERT_EQ(params->GetLastFocusingImagesDir(stored, &size), 0);
  EXPECT_EQ(std::string(stored), folder);

  answers = {ui::IDCANCEL, ui::IDOK, ui::IDCANCEL, ui::IDCANCEL};
  questions.clear();
  saveAll();
  EXPECT_EQ(questions.size(), 4u);
  EXPECT_EQ(fileBytes(folder + names[1]), bytesOf(1));

  // A write that fails half-way removes the part it wrote.
  std::filesystem::remove(folder + names[0]);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit saved = limit;
  limit.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  view->FocusStrip().SavePicture(window->GetHost()->GetPicture(0), 0);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(std::filesystem::exists(folder + names[0]));
  ASSERT_FALSE(questions.empty());
  EXPECT_TRUE(questions.back().text.startsWith(QStringLiteral("Error writing file")));
  EXPECT_EQ(questions.back().icon, ui::Icon::Error);

  CFocusStrip::SetFolderHook({});
}

} // namespace
} // namespace tarsel::frame::test
