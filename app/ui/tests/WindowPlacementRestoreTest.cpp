// Stored placements applied to an offscreen top-level window.
#include "app/ui/RestoreWindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

using tarsel::settings::WindowPlacement;

QRect workArea() {
  return QGuiApplication::primaryScreen()->availableGeometry();
}

WindowPlacement placementAt(int x, int y, int w, int h) {
  WindowPlacement p;
  p.x = x;
  p.y = y;
  p.width = w;
  p.height = h;
  return p;
}

bool restore(QWidget& window, const WindowPlacement& p, bool useCurrentSize = false) {
  const auto bytes = p.toBytes();
  return RestoreWindowPlacement(&window, bytes.data(), static_cast<DWORD>(bytes.size()), useCurrentSize);
}

TEST(RestoreWindowPlacement, APlacementOnTheScreenIsAppliedAsStoredOrPulledBackInside) {
  const QRect work = workArea();
  ASSERT_GT(work.width(), 200);
  QWidget probe;
  const int m = probe.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &probe);
  ASSERT_GT(m, 1);
  const int right = work.x() + work.width();
  const int bottom = work.y() + work.height();
  struct Row {
    const char* why;
    QRect stored;
    QRect expected;
  };
  const Row rows[] = {
      {"inside", QRect(work.x() + 10, work.y() + 20, 300, 200),
       QRect(work.x() + 10, work.y() + 20, 300, 200)},
      {"mostly left of the area", QRect(work.x() - 299, work.y() + 20, 300, 200),
       QRect(work.x() - 300 + m, work.y() + 20, 300, 200)},
      {"mostly right of the area", QRect(right - 1, work.y() + 20, 300, 200),
       QRect(right - m, work.y() + 20, 300, 200)},
      {"above the area", QRect(work.x() + 10, work.y() - 150, 300, 200),
       QRect(work.x() + 10, work.y(), 300, 200)},
      {"below the area", QRect(work.x() + 10, bottom - 1, 300, 200),
       QRect(work.x() + 10, bottom - m, 300, 200)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    QWidget window;
    window.setGeometry(1, 1, 50, 50);
    ASSERT_TRUE(restore(
        window, placementAt(row.stored.x(), row.stored.y(), row.stored.width(), row.stored.height())));
    EXPECT_EQ(row.expected, window.geometry());
  }
}

TEST(RestoreWindowPlacement, UseCurrentSizeKeepsTheWindowsSize) {
  const QRect work = workArea();
  QWidget window;
  window.resize(123, 77);
  ASSERT_TRUE(restore(window, placementAt(work.x() + 5, work.y() + 6, 400, 300), true));
  EXPECT_EQ(QRect(work.x() + 5, work.y() + 6, 123, 77), window.geometry());
}

TEST(RestoreWindowPlacement, RefusesForeignRecordsAndRectanglesOnNoScreen) {
  const QRect work = workArea();
  QWidget window;
  window.setGeometry(work.x() + 1, work.y() + 2, 60, 40);
  const QRect before = window.geometry();

  // A record of another layout, a short one, an empty one.
  std::vector<BYTE> foreign(44, 0);
  foreign[0] = 44;
  EXPECT_FALSE(RestoreWindowPlacement(&window, foreign.data(), 44, false));
  const auto good = placementAt(work.x() + 10, work.y() + 10, 100, 100).toBytes();
  EXPECT_FALSE(RestoreWindowPlacement(&window, good.data(), 27, false));
  EXPECT_FALSE(RestoreWindowPlacement(&window, nullptr, 0, false));
  EXPECT_FALSE(RestoreWindowPlacement(nullptr, good.data(), 28, false));

  // Wholly on a monitor that is not there.
  const int right = work.x() + work.width();
  EXPECT_FALSE(restore(window, placementAt(right + 4000, work.y(), 300, 200)));
  EXPECT_FALSE(restore(window, placementAt(work.x(), work.y() - 5000, 300, 200)));
  EXPECT_EQ(before, window.geometry());
}

TEST(RestoreWindowPlacement, AMaximisedPlacementMaximisesAndTheRecordRoundTrips) {
  const QRect work = workArea();
  QWidget window;
  window.setGeometry(work.x() + 30, work.y() + 40, 320, 240);
  WindowPlacement stored = GetWindowPlacement(&window);
  EXPECT_EQ(placementAt(work.x() + 30, work.y() + 40, 320, 240), stored);

  QWidget other;
  stored.maximized = true;
  ASSERT_TRUE(restore(other, stored));
  EXPECT_TRUE(other.windowState() & Qt::WindowMaximized);
  stored.maximized = false;
  ASSERT_TRUE(restore(other, stored));
  EXPECT_FALSE(other.windowState() & Qt::WindowMaximized);
  EXPECT_EQ(QRect(work.x() + 30, work.y() + 40, 320, 240), other.geometry());
}

} // namespace
