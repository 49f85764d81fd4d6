// Erasing a picture that a transfer kept on the card, after its save: the
// camera renumbers its pictures after every erase, so the number remembered
// at the transfer may point at another picture by now; the camera's file
// name decides, and a picture that is not found is not erased.
//
// Threads: any; the caller holds the family's camera lock across the whole
// call, so no other call selects a picture in between.
#pragma once

#include "app/core/CardPicture.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tarsel::cameras {

// A family's operations on its stored pictures (1-based numbers).
struct StoredPictures {
  std::function<std::int32_t()> count;
  std::function<void(std::int32_t)> select;
  // The file name of the selected picture.
  std::function<std::string()> selectedName;
  std::function<void()> eraseSelected;
};

// The number of the stored picture that is `picture` now: its own number
// when the name there matches, else the highest number whose name matches
// (the kept picture is among the newest); 0 when no stored picture has its
// name among the newest 10 000, or the picture was never on a card. Leaves
// some picture selected.
std::int32_t FindKeptPicture(const CardPicture& picture, StoredPictures& pictures);

// Finds the picture and erases it: 0 erased, 1 not found (nothing erased).
// What the operations throw passes on.
std::int32_t EraseKeptPicture(const CardPicture& picture, StoredPictures& pictures);

} // namespace tarsel::cameras
