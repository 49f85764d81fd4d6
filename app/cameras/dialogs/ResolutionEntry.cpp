#include "app/cameras/dialogs/ResolutionEntry.h"

#include <tuple>
#include <utility>

namespace {

constexpr std::int32_t kRawImage = 3;

} // namespace

CResolutionEntry::CResolutionEntry(std::int32_t value, IPictureFromCamera& picture)
    : CResolutionEntry(value, picture.GetImageType(), picture.GetTypeName() ? picture.GetTypeName() : "",
                       picture.GetPictureWidth(), picture.GetPictureHeight(), picture.GetDataSize()) {}

CResolutionEntry::CResolutionEntry(std::int32_t value, std::int32_t imageType, std::string typeName,
                                   std::uint32_t width, std::uint32_t height, std::uint32_t dataSize)
    : m_value(value), m_imageType(imageType), m_typeName(std::move(typeName)), m_width(width),
      m_height(height), m_dataSize(dataSize) {
  Format(0);
}

void CResolutionEntry::Format(std::uint32_t otherSize) {
  if (m_imageType == kRawImage) {
    m_label = m_typeName;
    return;
  }
  m_label = m_typeName + " " + std::to_string(m_width) + "x" + std::to_string(m_height);
  if (otherSize != 0)
    m_label += otherSize < m_dataSize ? " H" : " N";
}

bool CResolutionEntry::IsSame(const CResolutionEntry& other) const {
  return m_imageType == other.m_imageType && m_width == other.m_width && m_height == other.m_height;
}

bool CResolutionEntry::operator<(const CResolutionEntry& other) const {
  return std::tie(m_imageType, m_width, m_height, m_dataSize, m_value) <
         std::tie(other.m_imageType, other.m_width, other.m_height, other.m_dataSize, other.m_value);
}

void CResolutionEntry::LabelNeighbours(std::vector<CResolutionEntry>& sorted) {
  for (std::size_t i = 1; i < sorted.size(); ++i) {
    CResolutionEntry& earlier = sorted[i - 1];
    CResolutionEntry& later = sorted[i];
    if (!earlier.IsSame(later))
      continue;
    later.Format(earlier.m_dataSize);
    earlier.Format(later.m_dataSize);
  }
}
