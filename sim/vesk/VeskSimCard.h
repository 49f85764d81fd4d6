// The memory card of one simulated camera: folders of pictures, each picture
// with its file name, bytes, thumbnail, protect flag and the shooting data of
// its tag record. Pictures are numbered from 1 in their folder; erasing one
// renumbers the pictures after it. The card may be absent, and its capacity
// limits what it takes ("card full").
//
// Not thread-safe: its camera's lock guards it.
#pragma once

#include "sim/vesk/VeskSimModel.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarsel::vesksim {

using SharedBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

// The shooting data kept with a picture (tag record, object 74).
struct PictureTag {
  std::uint32_t resolution = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::string dateTime; // "YYYY:MM:DD HH:MM:SS"
  std::uint32_t exposureUs = 0;
  std::uint32_t aperture = 0;
  std::uint32_t isoCode = 0;
  std::uint32_t whiteBalance = 0;
  std::int32_t exposureBias = 0;
  std::uint32_t programMode = 0;
  std::uint32_t flashFired = 0;
  std::uint32_t metering = 0;
  std::uint32_t focusMode = 0;
};

struct CardPicture {
  std::string fileName;
  SharedBytes bytes;
  SharedBytes thumbnail;
  PictureFormat format = PictureFormat::Jpeg;
  bool isProtected = false;
  PictureTag tag;
};

class VeskSimCard {
public:
  enum class EraseResult { Erased, Protected, NoPicture };

  VeskSimCard();

  bool present() const { return m_present; }
  void setPresent(bool present) { m_present = present; }

  std::uint64_t capacity() const { return m_capacity; }
  void setCapacity(std::uint64_t bytes) { m_capacity = bytes; }
  std::uint64_t usedBytes() const;
  std::uint64_t freeBytes() const;

  std::size_t folderCount() const { return m_folders.size(); }
  std::size_t currentFolder() const { return m_current; } // from 1
  bool selectFolder(std::size_t number);
  const std::string& folderName() const { return folder().name; }
  // Renames the current folder; 1 to 8 characters.
  bool setFolderName(const std::string& name);
  void addFolder(const std::string& name);

  // Pictures of the current folder; an absent card has none.
  std::size_t pictureCount() const;
  std::size_t totalPictureCount() const;
  const CardPicture* picture(std::size_t number) const; // from 1
  CardPicture* picture(std::size_t number);

  // Appends to the current folder; false when absent or the bytes do not fit.
  bool add(CardPicture picture);
  // The next free 8.3 file name for a picture of this format.
  std::string nextFileName(PictureFormat format);
  std::string nextFileName(const std::string& extension);

  EraseResult erase(std::size_t number);
  // Erases every unprotected picture of the current folder; returns how many.
  std::size_t eraseAllUnprotected();

private:
  struct Folder {
    std::string name;
    std::vector<CardPicture> pictures;
  };
  Folder& folder() { return m_folders[m_current - 1]; }
  const Folder& folder() const { return m_folders[m_current - 1]; }

  bool m_present = true;
  std::uint64_t m_capacity = 256ull << 20;
  std::vector<Folder> m_folders;
  std::size_t m_current = 1;
  std::uint32_t m_fileCounter = 0;
};

} // namespace tarsel::vesksim
