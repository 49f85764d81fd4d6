#include "sim/vesk/VeskSimCard.h"

#include <cstdio>

namespace tarsel::vesksim {

VeskSimCard::VeskSimCard() {
  m_folders.push_back({"100SIMCM", {}});
}

std::uint64_t VeskSimCard::usedBytes() const {
  std::uint64_t used = 0;
  for (const Folder& f : m_folders) {
    for (const CardPicture& p : f.pictures)
      used += p.bytes ? p.bytes->size() : 0;
  }
  return used;
}

std::uint64_t VeskSimCard::freeBytes() const {
  const std::uint64_t used = usedBytes();
  return used >= m_capacity ? 0 : m_capacity - used;
}

bool VeskSimCard::selectFolder(std::size_t number) {
  if (number == 0 || number > m_folders.size())
    return false;
  m_current = number;
  return true;
}

bool VeskSimCard::setFolderName(const std::string& name) {
  if (name.empty() || name.size() > 8)
    return false;
  folder().name = name;
  return true;
}

void VeskSimCard::addFolder(const std::string& name) {
  m_folders.push_back({name, {}});
}

std::size_t VeskSimCard::pictureCount() const {
  return m_present ? folder().pictures.size() : 0;
}

std::size_t VeskSimCard::totalPictureCount() const {
  if (!m_present)
    return 0;
  std::size_t n = 0;
  for (const Folder& f : m_folders)
    n += f.pictures.size();
  return n;
}

const CardPicture* VeskSimCard::picture(std::size_t number) const {
  if (number == 0 || number > pictureCount())
    return nullptr;
  return &folder().pictures[number - 1];
}

CardPicture* VeskSimCard::picture(std::size_t number) {
  if (number == 0 || number > pictureCount())
    return nullptr;
  return &folder().pictures[number - 1];
}

bool VeskSimCard::add(CardPicture picture) {
  if (!m_present)
    return false;
  const std::uint64_t size = picture.bytes ? picture.bytes->size() : 0;
  if (size > freeBytes())
    return false;
  folder().pictures.push_back(std::move(picture));
  return true;
}

std::string VeskSimCard::nextFileName(PictureFormat format) {
  switch (format) {
  case PictureFormat::Jpeg:
    return nextFileName("JPG");
  case PictureFormat::Tiff:
    return nextFileName("TIF");
  case PictureFormat::Raw:
    return nextFileName("BRF");
  }
  return nextFileName("BIN");
}

std::string VeskSimCard::nextFileName(const std::string& extension) {
  m_fileCounter = m_fileCounter % 9999u + 1u;
  char name[16];
  std::snprintf(name, sizeof name, "SIM_%04u.%.3s", m_fileCounter, extension.c_str());
  return name;
}

VeskSimCard::EraseResult VeskSimCard::erase(std::size_t number) {
  const CardPicture* p = picture(number);
  if (!p)
    return EraseResult::NoPicture;
  if (p->isProtected)
    return EraseResult::Protected;
  auto& pictures = folder().pictures;
  pictures.erase(pictures.begin() + static_cast<std::ptrdiff_t>(number - 1));
  return EraseResult::Erased;
}

std::size_t VeskSimCard::eraseAllUnprotected() {
  if (!m_present)
    return 0;
  auto& pictures = folder().pictures;
  const std::size_t before = pictures.size();
  std::erase_if(pictures, [](const CardPicture& p) { return !p.isProtected; });
  return before - pictures.size();
}

} // namespace tarsel::vesksim
