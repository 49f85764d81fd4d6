#include "app/pictures/PicInfoDisplay2.h"

CPicInfoDisplay2::CPicInfoDisplay2(QPaintDevice*, IPictureFromCamera*) {}
