// A camera family's information about one picture, shown by the picture
// overlays. A picture record owns at most one (a Clone of what the family
// handed it).
#pragma once

#include <string>

class IPictureInfo {
public:
  virtual ~IPictureInfo() = default;

  virtual void GetWhiteBalanceText(std::string* out) = 0;
  // "Yes", "No" or "#%d" (a family may use labels of its own).
  virtual void GetFlashText(std::string* out) = 0;
  virtual void GetIsoText(std::string* out) = 0;
  // The picture size in bytes through the caller's printf format ("%d bytes").
  virtual void GetSizeText(std::string* out, const char* format) = 0;
  // A new copy owned by the caller.
  virtual IPictureInfo* Clone() = 0;
};
