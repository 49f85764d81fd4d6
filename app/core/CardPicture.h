// Where a picture that a transfer left on the camera's card lies: its
// 1-based number at the time of the transfer and the camera's file name,
// which tells it from every picture taken later (a camera renumbers its
// pictures after an erase, so the number alone may point at another one).
#pragma once

#include <cstdint>
#include <string>

struct CardPicture {
  std::int32_t index = 0;
  std::string fileName;

  // False for a picture that is not on a card (or whose name is unknown):
  // it cannot be erased later.
  bool IsKnown() const { return index > 0 && !fileName.empty(); }
};
