// The display texts of a picture's Exif data, as the picture information
// panels show them: exposure time, aperture, date, bias, metering mode,
// light source, flash, ISO speed, focal length, dimensions, the Exif block's
// size and the orientation. Computed once, in the constructor, from a
// parsed CTiffBuffer; numbers are written with a decimal point whatever the
// user's locale.
//
// Failure: a source that holds no directory (its Parse failed) or a tag whose
// value lies outside the data gives "ERROR" for each text it should have
// given; nothing is thrown. Built without a source, every text is empty.
//
// Threads: any, one at a time.
#pragma once

#include "TarselPictures_export.h"
#include "hostapi/IPictureInfo.h"

#include <cstdint>
#include <string>

class CTiffBuffer;

class TARSELPICTURES_EXPORT CPictureInfoExif : public IPictureInfo {
public:
  explicit CPictureInfoExif(const CTiffBuffer* source);

  // The light source.
  void GetWhiteBalanceText(std::string* out) override;
  void GetFlashText(std::string* out) override;
  void GetIsoText(std::string* out) override;
  // The size of the data the source read; the format is not used.
  void GetSizeText(std::string* out, const char* format) override;
  IPictureInfo* Clone() override;

  virtual void GetOrientationText(std::string* out);
  virtual void GetExposureTimeText(std::string* out);
  virtual void GetApertureText(std::string* out);
  virtual void GetDateText(std::string* out);
  virtual void GetExposureBiasText(std::string* out);
  virtual void GetMeteringModeText(std::string* out);
  virtual void GetLightSourceText(std::string* out);
  // The light source again.
  virtual void GetWhiteBalanceText2(std::string* out);
  virtual void GetFocalLengthText(std::string* out);
  virtual void GetDimensionsText(std::string* out);
  virtual void SetValue(std::int32_t, std::int32_t) {}
  virtual std::int32_t GetValue() { return 0; }

private:
  void Read(const CTiffBuffer& source);

  std::string m_orientation;
  std::string m_exposureTime;
  std::string m_aperture;
  std::string m_date;
  std::string m_exposureBias;
  std::string m_meteringMode;
  std::string m_lightSource;
  std::string m_flash;
  std::string m_isoSpeed;
  std::string m_focalLength;
  std::string m_dimensions;
  std::string m_fileSize;
  std::string m_dimensions2;
};
