#include "app/frame/StatusPanes.h"

#include "app/core/StringIds.h"
#include "app/frame/BatteryStatus.h"
#include "app/ui/ResText.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>

#include <algorithm>
#include <cstdint>

namespace tarsel::frame {
namespace {

using namespace tarsel::core::ids;
using tarsel::ui::ResFormat;

// The battery readings whose texts differ: a full percentage, each level, an unknown level.
constexpr std::int32_t kBatterySamples[] = {100, 0x10001, 0x10002, 0x10003, 0x10004, 0x10005};

// The widest texts of the pane and its classic width.
QStringList SamplesOf(StatusPane kind, int* classicWidth) {
  *classicWidth = 80;
  switch (kind) {
  case StatusPane::Cameras:
    return {ResFormat(IDS_CAMERA_COUNT, 99L)};
  case StatusPane::Loading:
    return {ResFormat(IDS_LOADING, 100L)};
  case StatusPane::PictureIndex:
    return {ResFormat(IDS_PICTURE_OF, 999L, 999L), ResFormat(IDS_SAVE_QUEUE, 999L)};
  case StatusPane::CameraStatus:
    *classicWidth = 150;
    return {};
  case StatusPane::Battery: {
    QStringList texts;
    for (const std::int32_t value : kBatterySamples)
      texts << BatteryPaneText(value);
    return texts;
  }
  }
  return {};
}

// The width the pane needs for the widest of `samples`, at least `least`.
int WidestOf(QLabel* pane, const QStringList& samples, int least) {
  // The label measures each text with its own font, frame and indent.
  const QString shown = pane->text();
  for (const QString& sample : samples) {
    pane->setText(sample);
    least = std::max(least, pane->sizeHint().width());
  }
  pane->setText(shown);
  return least;
}

} // namespace

void FitStatusPane(QLabel* pane, StatusPane kind) {
  int classicWidth = 0;
  const QStringList samples = SamplesOf(kind, &classicWidth);
  // A minimum, not a fixed width: a longer text widens the pane.
  pane->setMinimumWidth(WidestOf(pane, samples, classicWidth));
}

void FitMessagePane(QLabel* pane) {
  pane->setSizePolicy(QSizePolicy::Ignored, pane->sizePolicy().verticalPolicy());
  pane->setMinimumWidth(WidestOf(pane, {tarsel::ui::ResText(IDS_READY)}, 0));
}

void ShowPaneText(QLabel* pane, const QString& text) {
  pane->setText(text);
  if (const int needed = pane->sizeHint().width(); needed > pane->minimumWidth())
    pane->setMinimumWidth(needed);
  // A camera window too narrow for its panes grows to hold them.
  QWidget* window = pane->parentWidget();
  while (window && !qobject_cast<QMdiSubWindow*>(window))
    window = window->parentWidget();
  if (!window || window->isMaximized() || window->isMinimized())
    return;
  int least = window->minimumSizeHint().width();
  // Never beyond the MDI area: there the pane is cut rather than the window overhanging.
  const QMdiArea* area = static_cast<QMdiSubWindow*>(window)->mdiArea();
  const int room = area && area->isVisible() ? area->viewport()->width() : 0;
  if (room > 0)
    least = std::min(least, room);
  if (window->width() >= least)
    return;
  window->resize(least, window->height());
  if (room > 0 && window->x() + window->width() > room)
    window->move(std::max(0, room - window->width()), window->y());
}

} // namespace tarsel::frame
