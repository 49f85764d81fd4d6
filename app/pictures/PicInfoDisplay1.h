// The shooting-information panel as one label column and one value column.
// Threads: user-interface thread only.
#pragma once

#include "app/pictures/PicInfoDisplayBase.h"

class IPictureFromCamera;
class QPaintDevice;

class TARSELPICTURES_EXPORT CPicInfoDisplay1 : public CPicInfoDisplayBase {
public:
  // Renders at once for the picture; device gives the view's resolution for
  // the font (null: the screen's).
  CPicInfoDisplay1(QPaintDevice* device, IPictureFromCamera* picture);
};
