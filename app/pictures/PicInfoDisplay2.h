// The shooting-information panel as three blocks of four label/value rows side by side.
// Threads: user-interface thread only.
#pragma once

#include "app/pictures/PicInfoDisplayBase.h"

class IPictureFromCamera;
class QPaintDevice;

class TARSELPICTURES_EXPORT CPicInfoDisplay2 : public CPicInfoDisplayBase {
public:
  // Renders at once for the picture; device gives the view's resolution for
  // the font (null: the screen's).
  CPicInfoDisplay2(QPaintDevice* device, IPictureFromCamera* picture);
};
