#include "app/pictures/TiffBuffer.h"

#include "app/pictures/TiffReader.h"
#include "app/pictures/TiffWriter.h"
#include "env/BrantelTakeError.h"

#include <set>
#include <utility>

CTiffBuffer::CTiffBuffer(BytesPtr bytes) : m_bytes(std::move(bytes)) {
  if (m_bytes) {
    m_data = m_bytes->data();
    m_size = m_bytes->size();
  }
}

CTiffBuffer::CTiffBuffer(const BYTE* data, std::size_t size) : m_data(data), m_size(data ? size : 0) {}

CTiffBuffer::~CTiffBuffer() = default;

void CTiffBuffer::Parse() {
  m_directories.clear();
  CTiffReader reader;
  reader.Open(m_data, m_size);
  m_little = reader.IsLittleEndian();
  std::vector<CTiffDirectory> chain;
  chain.emplace_back(m_data, m_size, reader.Position(), m_little);
  std::set<std::size_t> seen = {reader.Position()};
  // A link to bytes that hold no whole directory, or back to one already
  // read (a chain that would never end), ends the chain there: the
  // directories before it are sound.
  for (std::uint32_t next = chain.back().NextOffset(); next != 0 && seen.insert(next).second;
       next = chain.back().NextOffset()) {
    try {
      chain.emplace_back(m_data, m_size, next, m_little);
    } catch (const _brantel_take_error&) {
      break;
    }
  }
  m_directories = std::move(chain);
}

std::uint32_t CTiffBuffer::GetImageWidth() const {
  return First() ? First()->ImageWidth() : 0;
}

std::uint32_t CTiffBuffer::GetImageLength() const {
  return First() ? First()->ImageLength() : 0;
}

std::uint32_t CTiffBuffer::GetStripCount() const {
  return First() ? First()->StripCount() : 0;
}

std::uint16_t CTiffBuffer::GetSamplesPerPixel() const {
  return First() ? First()->SamplesPerPixel() : 1;
}

std::uint32_t CTiffBuffer::GetStripByteCount(std::uint32_t index) const {
  return First() ? First()->StripByteCount(index) : 0;
}

const BYTE* CTiffBuffer::GetStripData(std::uint32_t index) const {
  if (!First())
    return nullptr;
  const std::uint32_t offset = First()->StripOffset(index);
  if (!tarsel::bytes::inside(offset, First()->StripByteCount(index), m_size))
    ThrowTiffError(kTiffOutOfBounds);
  return m_data + offset;
}

std::string CTiffBuffer::GetSoftware() const {
  return First() ? First()->Software() : std::string();
}

std::optional<CTiffDirectory> CTiffBuffer::ExifDirectory() const {
  if (!First())
    return std::nullopt;
  return First()->SubDirectory(CTiffDirectory::TagExifIfd);
}

std::uint32_t CTiffBuffer::GetPixelXDimension() const {
  const auto exif = ExifDirectory();
  return exif ? exif->PixelXDimension() : 0;
}

std::uint32_t CTiffBuffer::GetPixelYDimension() const {
  const auto exif = ExifDirectory();
  return exif ? exif->PixelYDimension() : 0;
}

std::uint32_t CTiffBuffer::GetOrientation() const {
  // Cameras and the TIFF rules put 274 into the first directory; an Exif
  // directory that carries it too wins.
  const auto exif = ExifDirectory();
  if (exif && !exif->Find(CTiffDirectory::TagOrientation).IsAbsent())
    return exif->Orientation();
  return First() ? First()->Orientation() : 1;
}

std::uint32_t CTiffBuffer::GetIsoSpeed() const {
  const auto exif = ExifDirectory();
  return exif ? exif->IsoSpeed() : 0;
}

namespace {
TiffRational NoRational() {
  return {0, 1};
}
} // namespace

TiffRational CTiffBuffer::GetExposureTime() const {
  const auto exif = ExifDirectory();
  return exif ? exif->ExposureTime() : NoRational();
}

TiffRational CTiffBuffer::GetFNumber() const {
  const auto exif = ExifDirectory();
  return exif ? exif->FNumber() : NoRational();
}

TiffRational CTiffBuffer::GetExposureBias() const {
  const auto exif = ExifDirectory();
  return exif ? exif->ExposureBias() : NoRational();
}

std::uint32_t CTiffBuffer::GetMeteringMode() const {
  const auto exif = ExifDirectory();
  return exif ? exif->MeteringMode() : 0;
}

std::uint32_t CTiffBuffer::GetLightSource() const {
  const auto exif = ExifDirectory();
  return exif ? exif->LightSource() : 0;
}

std::uint32_t CTiffBuffer::GetFlash() const {
  const auto exif = ExifDirectory();
  return exif ? exif->Flash() : 0;
}

TiffRational CTiffBuffer::GetFocalLength() const {
  const auto exif = ExifDirectory();
  return exif ? exif->FocalLength() : NoRational();
}

std::string CTiffBuffer::GetDateTimeOriginal() const {
  const auto exif = ExifDirectory();
  return exif ? exif->DateTimeOriginal() : std::string();
}

bool CTiffBuffer::HasStripLayout() const {
  return First() && CTiffWriter::HasStripLayout(*First());
}

bool CTiffBuffer::IsSupportedLayout() const {
  const CTiffDirectory* first = First();
  if (!first)
    return false;
  if (first->SamplesPerPixel() != 3 || first->ExtraSamples() != 0 || !first->HasBitsPerSampleLayout())
    return false;
  for (std::uint32_t i = 0; i < 3; ++i) {
    if (first->BitsPerSample(i) != 8)
      return false;
  }
  return first->Compression() == 1 && first->PlanarConfiguration() == 1 && first->Photometric() == 2 &&
         first->NewSubfileType() == 0;
}

std::uint64_t CTiffBuffer::GetSerializedSize(std::int32_t rotation) const {
  return CTiffWriter(*this, rotation).SizeBound();
}

std::vector<BYTE> CTiffBuffer::Serialize(std::int32_t rotation) const {
  return CTiffWriter(*this, rotation).Write();
}
