#include "app/pictures/ImageBase.h"

#include "app/pictures/PictureStrings.h"
#include "env/FormatStdString.h"
#include "platform/FileIo.h"
#include "platform/Win32Error.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QRect>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <string_view>
#include <unistd.h>
#include <utility>

using tarsel::pictures::PictureString;

namespace {

// The failure panel's colours: blue for the source and the note, red for
// the error.
const QColor kPanelBlue(0, 0, 255);
const QColor kPanelRed(255, 0, 0);

// The facility name takes at most this many characters.
constexpr unsigned long kFacilityNameMax = 260;

} // namespace

CImageBase::~CImageBase() = default;

DWORD CImageBase::GetBitmapWidth() {
  return m_bitmap && !m_bitmap->IsEmpty() ? static_cast<DWORD>(m_bitmap->Width()) : kDefaultBitmapWidth;
}

DWORD CImageBase::GetBitmapHeight() {
  return m_bitmap && !m_bitmap->IsEmpty() ? static_cast<DWORD>(m_bitmap->Height()) : kDefaultBitmapHeight;
}

std::int32_t CImageBase::Draw(QPainter* painter, std::int32_t x, std::int32_t y, std::int32_t sourceX,
                              std::int32_t sourceY, std::int32_t width, std::int32_t height) {
  if (!painter)
    return 0;
  if (m_bitmap && !m_bitmap->IsEmpty()) {
    const std::int32_t w = width == -1 ? m_bitmap->Width() : width;
    const std::int32_t h = height == -1 ? m_bitmap->Height() : height;
    return m_bitmap->Paint(*painter, x, y, sourceX, sourceY, w, h);
  }
  if (m_decodeError)
    PaintFailurePanel(*painter);
  return 0;
}

void CImageBase::PaintFailurePanel(QPainter& painter) {
  using namespace tarsel::pictures;
  const _brantel_take_error& error = *m_decodeError;

  char facility[kFacilityNameMax + 1] = {};
  unsigned long facilityLength = sizeof facility;
  error.FacilityMessage(facility, facilityLength);
  std::string errorText;
  FormatStdString(errorText, "%s (0x%X)", error.ErrorMessage(), static_cast<unsigned>(error.Error()));

  painter.save();
  painter.fillRect(QRect(0, 0, int(GetBitmapWidth()), int(GetBitmapHeight())),
                   QGuiApplication::palette().color(QPalette::Base));

  const QFontMetrics metrics(painter.font());
  const auto measure = [&](const QString& text) {
    return metrics.boundingRect(QRect(0, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
  };
  const auto drawAt = [&](int left, int top, const QString& text) {
    const QRect box = measure(text);
    painter.drawText(QRect(left, top, box.width(), box.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
    return box;
  };

  int top = 10;
  top += drawAt(10, top, QString::fromUtf8(PictureString(IDS_PARSING_FAILED))).height() + 10;

  struct Row {
    QString label;
    QString value;
    QColor colour;
  };
  const Row rows[] = {
      {QString::fromUtf8(PictureString(IDS_PANEL_SOURCE)), QString::fromUtf8(facility), kPanelBlue},
      {QString::fromUtf8(PictureString(IDS_PANEL_ERROR)), QString::fromStdString(errorText), kPanelRed},
      {QString::fromUtf8(PictureString(IDS_PANEL_NOTE)), QString::fromUtf8(error.Explanation()), kPanelBlue},
  };
  int widestLabel = 0;
  for (const Row& row : rows)
    widestLabel = std::max(widestLabel, measure(row.label).width());
  for (const Row& row : rows) {
    const QRect label = drawAt(10, top, row.label);
    const QPen pen = painter.pen();
    painter.setPen(row.colour);
    const QRect value = drawAt(10 + widestLabel, top, row.value);
    painter.setPen(pen);
    top += std::max(label.height(), value.height()) + 10;
  }
  painter.restore();
}

void CImageBase::SaveToFile(const char* path) {
  static const Bytes kNoBytes;
  WriteBytesToFile(path, m_data ? *m_data : kNoBytes);
}

void CImageBase::WriteBytesToFile(const char* path, const Bytes& bytes) {
  if (!path || !*path)
    ThrowError(ERROR_PATH_NOT_FOUND);
  tarsel::platform::UniqueFd file = tarsel::platform::openFile(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!file.valid())
    ThrowError(static_cast<HRESULT>(Win32FromErrno(errno)));
  const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  int failure = tarsel::platform::writeAll(file.get(), view) ? 0 : errno;
  const int closeFailure = file.close();
  if (!failure)
    failure = closeFailure;
  if (!failure)
    return;
  // A partly written picture must not pass for a saved one.
  ::unlink(path);
  ThrowError(static_cast<HRESULT>(Win32FromErrno(failure)));
}

void CImageBase::SetData(const void* bytes, DWORD size) {
  if (size > 0 && !bytes)
    ThrowError(E_INVALIDARG);
  BytesPtr copy;
  try {
    const BYTE* begin = static_cast<const BYTE*>(bytes);
    copy = std::make_shared<const Bytes>(begin, begin + size);
  } catch (const std::bad_alloc&) {
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  }
  FreeImageData();
  m_data = std::move(copy);
}

void CImageBase::Assign(const CImageBase& other, bool copyBitmap) {
  std::unique_ptr<CDibBuffer> bitmap;
  if (copyBitmap && other.m_bitmap) {
    try {
      bitmap = std::make_unique<CDibBuffer>(*other.m_bitmap);
    } catch (const std::bad_alloc&) {
      ThrowError(ERROR_NOT_ENOUGH_MEMORY);
    }
  }
  // The bytes never change once set, so sharing them is a copy.
  BytesPtr data = other.m_data;
  FreeImageData();
  m_bitmap = std::move(bitmap);
  m_data = std::move(data);
  m_scaleNumerator = other.m_scaleNumerator;
  m_scaleDenominator = other.m_scaleDenominator;
}

void CImageBase::FreeImageData() {
  m_bitmap.reset();
  m_data.reset();
  m_scaleNumerator = 1;
  m_scaleDenominator = 1;
  m_decodeError.reset();
}

void CImageBase::SetDecodeError(const _brantel_take_error& error) {
  m_decodeError.reset();
  try {
    m_decodeError = std::make_unique<_brantel_take_error>(error);
  } catch (const std::bad_alloc&) {
  }
}

BYTE CImageBase::SetImageFlag(BYTE flag) {
  m_imageFlag = flag;
  return m_imageFlag;
}

const BYTE* CImageBase::GetData() const {
  return m_data ? m_data->data() : nullptr;
}

DWORD CImageBase::GetDataSize() const {
  return m_data ? static_cast<DWORD>(m_data->size()) : 0;
}

const void* CImageBase::GetPackedDib() const {
  return m_bitmap ? m_bitmap->Block() : nullptr;
}

DWORD CImageBase::GetPackedDibSize() const {
  return m_bitmap ? m_bitmap->BlockSize() : 0;
}

void* CImageBase::GetBitmapBits() const {
  return m_bitmap ? m_bitmap->Rows() : nullptr;
}

QImage CImageBase::CreateDibSection() const {
  if (!m_bitmap || m_bitmap->IsEmpty())
    return QImage();
  const QImage view(static_cast<const uchar*>(m_bitmap->Rows()), m_bitmap->Width(), m_bitmap->Height(),
                    static_cast<qsizetype>(m_bitmap->Stride()), QImage::Format_BGR888);
  // A deep copy, turned top-down; a null image when there is no memory.
  return view.mirrored(false, true);
}

void CImageBase::ReplaceData(Bytes bytes) {
  try {
    m_data = std::make_shared<const Bytes>(std::move(bytes));
  } catch (const std::bad_alloc&) {
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  }
}

void CImageBase::SetScale(DWORD numerator, DWORD denominator) {
  m_scaleNumerator = numerator;
  m_scaleDenominator = denominator;
}

CDibBuffer& CImageBase::NewBitmap() {
  try {
    m_bitmap = std::make_unique<CDibBuffer>();
  } catch (const std::bad_alloc&) {
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  }
  return *m_bitmap;
}

void CImageBase::KeepFailure(std::exception_ptr failure) {
  if (!failure)
    return;
  try {
    std::rethrow_exception(failure);
  } catch (const _brantel_take_error& error) {
    SetDecodeError(error);
    if (m_imageFlag)
      throw;
  } catch (...) {
    SetDecodeError(_brantel_take_error(E_UNEXPECTED));
    if (m_imageFlag)
      throw;
  }
}
