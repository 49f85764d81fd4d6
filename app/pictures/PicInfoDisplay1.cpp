#include "app/pictures/PicInfoDisplay1.h"

CPicInfoDisplay1::CPicInfoDisplay1(QPaintDevice*, IPictureFromCamera*) {}
