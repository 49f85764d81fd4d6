// One row of the family's camera tables: two texts. In the model table the
// first is the model's identification list (comma-separated texts by which
// the camera-link library recognises the device) and the second its display
// name; read from a list section of the camera-list file they are the texts
// before and after the line's first "=".
#pragma once

#include <string>

struct CNamePair {
  std::string first;
  std::string second;
};
