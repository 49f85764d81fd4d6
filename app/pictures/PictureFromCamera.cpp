#include "app/pictures/PictureFromCamera.h"

#include "app/pictures/CamExtraCommand.h"
#include "app/pictures/ImageFactory.h"
#include "env/BrantelTakeError.h"
#include "hostapi/IPictureInfo.h"
#include "platform/Win32Error.h"

#include <QImage>

#include <atomic>
#include <cstring>
#include <new>
#include <set>
#include <utility>

namespace {

// A number of the calling thread that no other thread ever gets (thread
// identifiers are reused once a thread has ended).
std::uint64_t threadSerial() {
  static std::atomic<std::uint64_t> next{1};
  thread_local const std::uint64_t serial = next.fetch_add(1, std::memory_order_relaxed);
  return serial;
}

// Keeps one copy of every type name and extension for the whole run, so the
// texts handed out outlive the image they came from.
const char* internedText(const char* text) {
  if (!text)
    return "";
  static std::mutex lock;
  static std::set<std::string, std::less<>> texts;
  const std::lock_guard<std::mutex> guard(lock);
  return texts.emplace(text).first->c_str();
}

} // namespace

CPictureFromCamera::CPictureFromCamera() = default;

CPictureFromCamera::~CPictureFromCamera() = default;

void CPictureFromCamera::SetImage(const void* bytes, DWORD size, const char* rawExtension,
                                  IPictureInfo* info) {
  // Build everything first, outside the lock: a failure leaves the record
  // as it was, and readers wait only for the exchange.
  std::unique_ptr<CImageBase> image = CreateImageFromBuffer(bytes, size, rawExtension);
  image->SetData(bytes, size);
  std::unique_ptr<IPictureInfo> infoCopy;
  if (info) {
    infoCopy.reset(info->Clone());
    if (!infoCopy)
      ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  }
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    std::swap(m_image, image);
    std::swap(m_info, infoCopy);
  }
}

void CPictureFromCamera::Decode(DWORD scaleNumerator, DWORD scaleDenominator) {
  const std::lock_guard<std::mutex> guard(m_lock);
  if (m_image)
    m_image->Decode(scaleNumerator, scaleDenominator);
}

void CPictureFromCamera::DecodeRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  const std::lock_guard<std::mutex> guard(m_lock);
  if (m_image)
    m_image->DecodeRect(x, y, width, height);
}

bool CPictureFromCamera::HasBitmap() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image && m_image->HasBitmap();
}

void CPictureFromCamera::Rotate(std::int32_t code, bool redecode) {
  const std::lock_guard<std::mutex> guard(m_lock);
  if (m_image)
    m_image->Rotate(code, redecode);
}

DWORD CPictureFromCamera::GetPictureWidth() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->GetPictureWidth() : 0;
}

DWORD CPictureFromCamera::GetPictureHeight() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->GetPictureHeight() : 0;
}

DWORD CPictureFromCamera::GetBitmapWidth() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->GetBitmapWidth() : CImageBase::kDefaultBitmapWidth;
}

DWORD CPictureFromCamera::GetBitmapHeight() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->GetBitmapHeight() : CImageBase::kDefaultBitmapHeight;
}

DWORD CPictureFromCamera::GetScaleDenominator() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->GetScaleDenominator() : 1;
}

DWORD CPictureFromCamera::GetScaleNumerator() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->GetScaleNumerator() : 0;
}

const CPictureFromCamera::ReaderPin& CPictureFromCamera::PinForThisThread(bool forData) {
  ReaderPin& pin = m_pins[threadSerial()];
  const bool mineTaken = forData ? pin.dataTaken : pin.sizeTaken;
  const bool partnerTaken = forData ? pin.sizeTaken : pin.dataTaken;
  // The second call of a pair answers from the first call's bytes; any
  // other call starts a new pair from the current bytes.
  if (mineTaken || !partnerTaken) {
    pin.bytes = m_image ? m_image->GetDataBuffer() : nullptr;
    pin.dataTaken = false;
    pin.sizeTaken = false;
  }
  (forData ? pin.dataTaken : pin.sizeTaken) = true;
  return pin;
}

const BYTE* CPictureFromCamera::GetData() {
  const std::lock_guard<std::mutex> guard(m_lock);
  const ReaderPin& pin = PinForThisThread(true);
  return pin.bytes ? pin.bytes->data() : nullptr;
}

DWORD CPictureFromCamera::GetDataSize() {
  const std::lock_guard<std::mutex> guard(m_lock);
  const ReaderPin& pin = PinForThisThread(false);
  return pin.bytes ? static_cast<DWORD>(pin.bytes->size()) : 0;
}

std::shared_ptr<const IPictureFromCamera::Bytes> CPictureFromCamera::GetDataSnapshot() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->GetDataBuffer() : nullptr;
}

bool CPictureFromCamera::GetExifBlock(const BYTE** data, DWORD* size, bool* copied) {
  if (!data || !size || !copied)
    return false;
  // No block, whatever the answer, until one is found.
  *data = nullptr;
  *size = 0;
  *copied = false;
  const std::lock_guard<std::mutex> guard(m_lock);
  if (!m_image)
    return false;
  const BYTE* block = nullptr;
  DWORD blockSize = 0;
  bool blockCopied = false;
  if (!m_image->GetExifBlock(&block, &blockSize, &blockCopied))
    return false;
  if (block && !blockCopied) {
    // A block inside the image's bytes would go with them on a rotation:
    // hand out a copy of its own.
    BYTE* copy = new (std::nothrow) BYTE[blockSize ? blockSize : 1];
    if (!copy)
      return false;
    std::memcpy(copy, block, blockSize);
    block = copy;
    blockCopied = true;
  }
  *data = block;
  *size = blockSize;
  *copied = blockCopied;
  return true;
}

const void* CPictureFromCamera::GetPackedDib() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->GetPackedDib() : nullptr;
}

DWORD CPictureFromCamera::GetPackedDibSize() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->GetPackedDibSize() : 0;
}

void* CPictureFromCamera::GetBitmapBits() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->GetBitmapBits() : nullptr;
}

std::int32_t CPictureFromCamera::Draw(QPainter* painter, std::int32_t x, std::int32_t y, std::int32_t sourceX,
                                      std::int32_t sourceY, std::int32_t width, std::int32_t height) {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->Draw(painter, x, y, sourceX, sourceY, width, height) : 0;
}

void CPictureFromCamera::SaveToFile(const char* path) {
  CImageBase::BytesPtr bytes = GetDataSnapshot();
  if (!bytes)
    ThrowError(ERROR_INVALID_DATA);
  // Written outside the lock: the snapshot cannot change, and the user
  // interface need not wait for the disk.
  CImageBase::WriteBytesToFile(path, *bytes);
}

void CPictureFromCamera::FreeImageData() {
  const std::lock_guard<std::mutex> guard(m_lock);
  if (m_image)
    m_image->FreeImageData();
}

const char* CPictureFromCamera::GetFileName() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_fileNames.empty() ? "" : m_fileNames.back().c_str();
}

const char* CPictureFromCamera::GetTypeName() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? internedText(m_image->GetTypeName()) : "";
}

const char* CPictureFromCamera::GetExtension() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? internedText(m_image->GetExtension()) : "";
}

std::int32_t CPictureFromCamera::GetImageType() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->GetImageType() : 0;
}

void CPictureFromCamera::SetFileName(const char* name) {
  const std::lock_guard<std::mutex> guard(m_lock);
  // The earlier names stay: another thread may still read one.
  m_fileNames.emplace_back(name ? name : "");
}

IPictureInfo* CPictureFromCamera::GetPictureInfo() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_info.get();
}

ICamExtraCommand* CPictureFromCamera::GetExtraCommand() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_extraCommand.get();
}

void CPictureFromCamera::SetExtraCommand(const ICamExtraCommand* command) {
  std::unique_ptr<CCamExtraCommand> copy;
  if (command) {
    copy.reset(new (std::nothrow) CCamExtraCommand(*command));
    if (!copy)
      ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  }
  const std::lock_guard<std::mutex> guard(m_lock);
  std::swap(m_extraCommand, copy);
}

void CPictureFromCamera::Clone(IPictureFromCamera** out) {
  if (!out)
    return;
  *out = nullptr;
  std::unique_ptr<CPictureFromCamera> copy(new (std::nothrow) CPictureFromCamera);
  if (!copy)
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (m_image) {
      CImageBase* image = nullptr;
      m_image->Clone(&image);
      copy->m_image.reset(image);
    }
    if (!m_fileNames.empty())
      copy->m_fileNames.push_back(m_fileNames.back());
    if (m_info) {
      copy->m_info.reset(m_info->Clone());
      if (!copy->m_info)
        ThrowError(ERROR_NOT_ENOUGH_MEMORY);
    }
    if (m_extraCommand) {
      copy->m_extraCommand.reset(new (std::nothrow) CCamExtraCommand(*m_extraCommand));
      if (!copy->m_extraCommand)
        ThrowError(ERROR_NOT_ENOUGH_MEMORY);
    }
  }
  *out = copy.release();
}

BYTE CPictureFromCamera::SetImageFlag(BYTE flag) {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->SetImageFlag(flag) : flag;
}

QImage CPictureFromCamera::CreateDibSection() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_image ? m_image->CreateDibSection() : QImage();
}
