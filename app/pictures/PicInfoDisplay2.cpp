#include "app/pictures/PicInfoDisplay2.h"

#include "hostapi/IPictureFromCamera.h"

#include <algorithm>

namespace {

// The space between one block's values and the next block's labels.
constexpr int kBlockGap = 20;

} // namespace

CPicInfoDisplay2::CPicInfoDisplay2(QPaintDevice* device, IPictureFromCamera* picture) {
  Values values;
  if (!ReadValues(picture, &values))
    return;
  std::vector<Column> columns = {
      {QStringLiteral("Exposure Time:\nAperture:\nExposure Bias:\nISO Speed:"),
       Lines({values.exposureTime, values.aperture, values.exposureBias, values.isoSpeed}),
       {},
       {}},
      {QStringLiteral("Focal Length:\nOrientation:\nWhite Balance:\nFlash Used:"),
       Lines({values.focalLength, values.orientation, values.whiteBalance, values.flash}),
       {},
       {}},
      {QStringLiteral("Metering Mode:\nDate:\nDimensions:\nFile Size:"),
       Lines({values.meteringMode, values.date, values.dimensions, values.fileSize}),
       {},
       {}}};
  Measure(device, columns, kBlockGap);
  int height = 0;
  for (const Column& column : columns)
    height = std::max({height, column.labelRect.height(), column.valueRect.height()});
  const int width = std::max(RightOf(columns.back().valueRect), Pixels(picture->GetBitmapWidth()));
  Render(width, height, columns);
}
