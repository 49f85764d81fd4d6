#include "app/frame/FocusStrip.h"

#include "app/core/ICameraHiLevel.h"
#include "app/core/SanitizedName.h"
#include "app/frame/ChildFrame.h"
#include "app/frame/ChildFrameInternals.h"
#include "app/frame/ChildView.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/pictures/CamExtraCommand.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/MessageQuestion.h"
#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"
#include "hostapi/ICamExtraCommand.h"
#include "platform/FileIo.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

using namespace tarsel::frame::detail;
using tarsel::platform::UniqueFd;

namespace {

// The longest folder the strip remembers, as the stored setting allows.
constexpr DWORD kFolderMax = 260;
constexpr std::int32_t kFocusAuto = 1;
constexpr std::int32_t kFocusMacro = 2;
constexpr std::int32_t kFocusManual = 4;

CFocusStrip::FolderHook& folderHook() {
  static CFocusStrip::FolderHook hook;
  return hook;
}

// The focus mode and position a picture was taken with; false without them.
bool FocusOf(IPictureFromCamera* picture, std::int32_t* mode, std::int32_t* value) {
  const ICamExtraCommand* command = picture ? picture->GetExtraCommand() : nullptr;
  return command && command->GetCommand(mode, value);
}

QFont LabelFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(CFocusStrip::kLabelHeight);
  return font;
}

} // namespace

CFocusStrip::FolderHook CFocusStrip::SetFolderHook(FolderHook hook) {
  return std::exchange(folderHook(), std::move(hook));
}

CFocusStrip::CFocusStrip(CChildView* view) : m_view(view), m_pen(Qt::white, 1, Qt::DashLine) {}

CFocusStrip::~CFocusStrip() {
  Release();
}

std::int32_t CFocusStrip::SeriesCount() const {
  const tarsel::host::CConnectedCameraHost* host = m_view->Frame()->GetHost();
  return host ? std::max<std::int32_t>(host->GetPictureCount(), 0) : 0;
}

IPictureFromCamera* CFocusStrip::SeriesPicture(std::int32_t index) const {
  const tarsel::host::CConnectedCameraHost* host = m_view->Frame()->GetHost();
  return host ? host->GetPicture(index) : nullptr;
}

void CFocusStrip::Build() {
  if (m_sample)
    return;
  const tarsel::host::CConnectedCameraHost* host = m_view->Frame()->GetHost();
  IPictureFromCamera* current = host ? host->GetPicture(-1) : nullptr;
  if (!current)
    return;
  IPictureFromCamera* copy = nullptr;
  current->Clone(&copy);
  CRefPtr<IPictureFromCamera> clone(copy);
  if (!clone)
    return;
  clone->Decode(1, kScale);
  m_sample = std::move(clone);

  // The instruction spans the strip and is as high as its wrapped lines.
  const int width = GetWidth();
  const QFontMetrics metrics(m_view->font());
  const QRect measured = metrics.boundingRect(QRect(0, kSamplesBand, std::max(width, 1), kLabelHeight),
                                              Qt::TextWordWrap, ResText(IDS_FOCUS_SAMPLES));
  m_textRect = QRect(0, kSamplesBand, width, measured.height());
  // The square starts in the middle of the sample picture.
  const QRect sample = SampleRect();
  MoveSquare(
      QPoint(sample.width() / 2 - kSquareSize / 2, sample.top() + sample.height() / 2 - kSquareSize / 2));
}

void CFocusStrip::Release() noexcept {
  m_dragging = false;
  m_sample.Release();
}

QRect CFocusStrip::SampleRect() const {
  if (!m_sample)
    return {};
  return QRect(0, m_textRect.top() + m_textRect.height(), BoundedExtent(m_sample->GetBitmapWidth()),
               BoundedExtent(m_sample->GetBitmapHeight()));
}

std::int32_t CFocusStrip::GetWidth() const {
  const std::int32_t count = SeriesCount();
  const std::int32_t samples = count > 0 ? kSamplePitch * std::min(count, 1 << 16) - 2 : 0;
  return std::max(samples, SampleRect().width());
}

std::int32_t CFocusStrip::GetHeight() const {
  if (!m_sample)
    return 0;
  const QRect sample = SampleRect();
  return sample.top() + sample.height();
}

void CFocusStrip::MoveSquare(QPoint corner) {
  const QRect sample = SampleRect();
  const int left =
      std::clamp(corner.x(), sample.left(), std::max(sample.left(), sample.right() + 1 - kSquareSize));
  const int top =
      std::clamp(corner.y(), sample.top(), std::max(sample.top(), sample.bottom() + 1 - kSquareSize));
  m_square = QRect(left, top, kSquareSize, kSquareSize);
}

QString CFocusStrip::Label(IPictureFromCamera* picture) {
  std::int32_t mode = 0;
  std::int32_t value = 0;
  if (!FocusOf(picture, &mode, &value))
    return ResText(IDS_UNKNOWN);
  switch (mode) {
  case kFocusAuto:
    return QStringLiteral("F=Auto");
  case kFocusMacro:
    return QStringLiteral("F=Macro");
  case kFocusManual:
    return QStringLiteral("F=%1").arg(value);
  default:
    return ResText(IDS_UNKNOWN);
  }
}

std::string CFocusStrip::FileName(IPictureFromCamera* picture, std::int32_t index) {
  std::int32_t mode = 0;
  std::int32_t value = 0;
  const bool known = FocusOf(picture, &mode, &value);
  std::string name;
  if (known && mode == kFocusAuto)
    FormatStdString(name, "%03d_F_Auto", static_cast<int>(index));
  else if (known && mode == kFocusMacro)
    FormatStdString(name, "%03d_F_Macro", static_cast<int>(index));
  else if (known && mode == kFocusManual)
    FormatStdString(name, "%03d_F_%ld", static_cast<int>(index), static_cast<long>(value));
  else
    FormatStdString(name, "%03d_%s", static_cast<int>(index), CResString(IDS_UNKNOWN).c_str());
  const char* extension = picture ? picture->GetExtension() : nullptr;
  if (extension)
    name += extension;
  // The extension may come from the camera: it must not lead out of the folder.
  return tarsel::core::SanitizedPathComponent(name);
}

void CFocusStrip::Paint(QPainter* painter, std::int32_t scrollX, std::int32_t scrollY) {
  if (!m_sample || !painter)
    return;
  const QRect sample = SampleRect();
  const QPoint source(kScale * m_square.left(), kScale * (m_square.top() - sample.top()));
  painter->save();
  painter->setFont(LabelFont());
  for (std::int32_t i = 0, count = SeriesCount(); i < count; ++i) {
    IPictureFromCamera* picture = SeriesPicture(i);
    if (!picture)
      continue;
    const int x = kSamplePitch * i - scrollX;
    painter->drawText(QRect(x, -scrollY, kSampleSize, kLabelHeight), Qt::AlignCenter | Qt::TextSingleLine,
                      Label(picture));
    // Ask only for pixels the picture has: its bitmap may be smaller than
    // the part the square points at.
    const int width = std::min(kSampleSize, BoundedExtent(picture->GetBitmapWidth()) - source.x());
    const int height = std::min(kSampleSize, BoundedExtent(picture->GetBitmapHeight()) - source.y());
    if (width > 0 && height > 0)
      picture->Draw(painter, x, kLabelHeight - scrollY, source.x(), source.y(), width, height);
  }
  painter->setFont(m_view->font());
  painter->drawText(m_textRect.translated(-scrollX, -scrollY), Qt::TextWordWrap, ResText(IDS_FOCUS_SAMPLES));
  m_sample->Draw(painter, -scrollX, sample.top() - scrollY, 0, 0, -1, -1);
  painter->setPen(m_pen);
  painter->setBrush(Qt::NoBrush);
  painter->drawRect(m_square.translated(-scrollX, -scrollY).adjusted(0, 0, -1, -1));
  painter->restore();
}

void CFocusStrip::UpdateSquare() const {
  const QPoint scroll = m_view->ScrollOffset();
  m_view->viewport()->update(m_square.translated(-scroll).adjusted(-1, -1, 1, 1));
}

void CFocusStrip::OnLButtonDown(QPoint point, std::int32_t scrollX, std::int32_t scrollY) {
  const QPoint content = point + QPoint(scrollX, scrollY);
  if (!m_sample || !m_square.contains(content))
    return;
  m_dragging = true;
  m_dragOffset = content - m_square.topLeft();
  m_view->viewport()->setCursor(Qt::SizeAllCursor);
}

void CFocusStrip::OnMouseMove(QPoint point, std::int32_t scrollX, std::int32_t scrollY) {
  if (!m_sample)
    return;
  const QPoint content = point + QPoint(scrollX, scrollY);
  if (m_dragging || m_square.contains(content))
    m_view->viewport()->setCursor(Qt::SizeAllCursor);
  else
    m_view->viewport()->unsetCursor();
  if (!m_dragging || !SampleRect().contains(content))
    return;
  UpdateSquare();
  MoveSquare(content - m_dragOffset);
  UpdateSquare();
}

void CFocusStrip::OnLButtonUp(QPoint point, std::int32_t scrollX, std::int32_t scrollY) {
  if (!m_dragging)
    return;
  m_dragging = false;
  m_view->viewport()->unsetCursor();
  const QPoint content = point + QPoint(scrollX, scrollY);
  if (!m_sample || !SampleRect().contains(content))
    return;
  UpdateSquare();
  MoveSquare(content - m_dragOffset);
  UpdateSquare();
  // The samples show the new part of the pictures at once.
  m_view->viewport()->repaint(QRect(0, 0, m_view->viewport()->width(), kSamplesBand));
}

void CFocusStrip::OnLButtonDblClk(QPoint point, std::int32_t scrollX, std::int32_t scrollY) {
  const std::int32_t count = SeriesCount();
  for (std::int32_t i = 0; i < count; ++i) {
    const QRect cell(kSamplePitch * i - scrollX, -scrollY, kSampleSize, kSamplesBand);
    if (cell.contains(point)) {
      ChooseSample(i);
      return;
    }
  }
}

void CFocusStrip::ChooseSample(std::int32_t index) {
  CChildFrame* frame = m_view->Frame();
  IPictureFromCamera* picture = SeriesPicture(index);
  ICamExtraCommand* command = picture ? picture->GetExtraCommand() : nullptr;
  ICameraHiLevel* camera = frame->GetCamera();
  if (command && camera && camera->ApplyFocusSettings(command) == 0)
    camera->ReportStatus(frame);
  ShowSeries(false);
  Release();
  if (tarsel::host::CConnectedCameraHost* host = frame->GetHost())
    host->ClearPictures();
  m_view->ShowPicture(nullptr, true);
  const CCamExtraCommand empty;
  frame->QueueTakePicture(&empty);
  m_view->viewport()->update();
}

void CFocusStrip::ChooseFolderAndSave(QWidget* owner) {
  ITarselSettings* settings = m_view->Frame()->GetSettings();
  m_folder.clear();
  if (const auto params = tarsel::settings::OpenPersistentParams(settings, true)) {
    char buffer[kFolderMax] = {};
    DWORD size = sizeof buffer;
    if (params->GetLastFocusingImagesDir(buffer, &size) == 0)
      m_folder.assign(buffer, strnlen(buffer, sizeof buffer));
  }
  const QString title = ResText(IDS_SELECT_SAVE_FOLDER);
  const QString start = QString::fromStdString(m_folder);
  QString chosen;
  if (folderHook()) {
    chosen = folderHook()(title, start);
  } else {
    chosen = QFileDialog::getExistingDirectory(owner, title, start,
                                               QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  }
  if (chosen.isEmpty())
    return;
  m_folder = QFile::encodeName(chosen).toStdString();
  if (m_folder.empty() || m_folder.back() != '/')
    m_folder += '/';
  for (std::int32_t i = 0, count = SeriesCount(); i < count; ++i)
    if (IPictureFromCamera* picture = SeriesPicture(i))
      SavePicture(picture, i);
  if (const auto params = tarsel::settings::OpenPersistentParams(settings, false))
    params->SetLastFocusingImagesDir(m_folder.c_str());
}

UniqueFd CFocusStrip::OpenForWriting(const std::string& path) const {
  QWidget* owner = m_view;
  int flags = O_WRONLY | O_CREAT | O_EXCL;
  for (;;) {
    UniqueFd file = tarsel::platform::openFile(path, flags, 0666);
    if (file.valid())
      return file;
    const int error = errno;
    if (error == EEXIST && (flags & O_EXCL)) {
      const QString question = ResFormat(IDS_FILE_EXISTS, path.c_str());
      if (tarsel::ui::AskUser(owner, question, tarsel::ui::Buttons::OkCancel, tarsel::ui::Icon::Question) !=
          tarsel::ui::IDOK)
        return {};
      flags = O_WRONLY | O_CREAT | O_TRUNC;
      continue;
    }
    const DWORD code = Win32FromErrno(error);
    const _brantel_take_error failure(static_cast<HRESULT>(code));
    const QString question =
        ResFormat(IDS_CANNOT_CREATE_FILE, path.c_str(), failure.ErrorMessage(), static_cast<unsigned>(code));
    const int answer =
        tarsel::ui::AskUser(owner, question, tarsel::ui::Buttons::YesNo, tarsel::ui::Icon::Question);
    if (answer != tarsel::ui::IDYES && answer != tarsel::ui::IDOK)
      return {};
  }
}

void CFocusStrip::SavePicture(IPictureFromCamera* picture, std::int32_t index) {
  if (!picture)
    return;
  const std::string path = m_folder + FileName(picture, index);
  UniqueFd file = OpenForWriting(path);
  if (!file.valid())
    return;
  const std::shared_ptr<const IPictureFromCamera::Bytes> bytes = picture->GetDataSnapshot();
  const std::string_view data =
      bytes ? std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size())
            : std::string_view();
  bool written = tarsel::platform::writeAll(file.get(), data);
  int error = errno;
  if (written) {
    // The last bytes may fail only when the file is closed.
    error = file.close();
    written = error == 0;
  }
  if (written)
    return;
  // A part of a picture is no picture: do not leave it behind.
  file.reset();
  ::unlink(path.c_str());
  const DWORD code = Win32FromErrno(error);
  const _brantel_take_error failure(static_cast<HRESULT>(code));
  tarsel::ui::AskUser(
      m_view,
      ResFormat(IDS_ERROR_WRITING_FILE, path.c_str(), failure.ErrorMessage(), static_cast<unsigned>(code)),
      tarsel::ui::Buttons::Ok, tarsel::ui::Icon::Error);
}
