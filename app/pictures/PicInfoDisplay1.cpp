#include "app/pictures/PicInfoDisplay1.h"

#include "hostapi/IPictureFromCamera.h"

#include <algorithm>

CPicInfoDisplay1::CPicInfoDisplay1(QPaintDevice* device, IPictureFromCamera* picture) {
  Values values;
  if (!ReadValues(picture, &values))
    return;
  const QStringList rows = {values.exposureTime, values.aperture,     values.exposureBias, values.isoSpeed,
                            values.meteringMode, values.whiteBalance, values.flash,        values.focalLength,
                            values.orientation,  values.date,         values.dimensions,   values.fileSize};
  std::vector<Column> columns = {
      {QStringLiteral("Exposure Time:\nAperture:\nExposure Bias:\nISO Speed:\n"
                      "Metering Mode:\nWhite Balance:\nFlash Used:\nFocal Length:\n"
                      "Orientation:\nDate:\nDimensions:\nFile Size:"),
       Lines(rows),
       {},
       {}}};
  Measure(device, columns, 0);
  const QRect& valueRect = columns.front().valueRect;
  Render(RightOf(valueRect), std::max(valueRect.height(), Pixels(picture->GetBitmapHeight())), columns);
}
