// One resolution the capability test found: the camera's value and what the
// test picture taken with it showed (image type 1 JPEG, 2 TIFF, 3 raw, its
// type name, width, height and encoded size), with the label stored in the
// capability set. Entries sort by image type, width, height, size, then value.
//
// Labels: the type name alone for a raw picture, else "<type> <w>x<h>", and
// for pictures of one size (IsSame) " H" or " N" after it: H when the
// neighbour it is compared with is smaller, N otherwise. LabelNeighbours
// relabels an ordered list so that of every size the largest file is "H"
// and the others "N".
//
// Threads: any (plain value). Failure: none.
#pragma once

#include "hostapi/IPictureFromCamera.h"

#include <cstdint>
#include <string>
#include <vector>

class CResolutionEntry {
public:
  CResolutionEntry(std::int32_t value, IPictureFromCamera& picture);
  CResolutionEntry(std::int32_t value, std::int32_t imageType, std::string typeName, std::uint32_t width,
                   std::uint32_t height, std::uint32_t dataSize);

  // Labels the entry against another's data size (0: no other of its size).
  void Format(std::uint32_t otherSize);
  bool IsSame(const CResolutionEntry& other) const;
  bool operator<(const CResolutionEntry& other) const;

  std::int32_t Value() const { return m_value; }
  std::uint32_t DataSize() const { return m_dataSize; }
  const std::string& Label() const { return m_label; }

  // Relabels neighbours of one size in the sorted list, from its start.
  static void LabelNeighbours(std::vector<CResolutionEntry>& sorted);

private:
  std::int32_t m_value;
  std::int32_t m_imageType;
  std::string m_typeName;
  std::uint32_t m_width;
  std::uint32_t m_height;
  std::uint32_t m_dataSize;
  std::string m_label;
};
