#include "app/pictures/PictureInfoExif.h"

#include "app/pictures/TiffBuffer.h"
#include "env/BrantelTakeError.h"

#include <charconv>
#include <iterator>
#include <new>

namespace {

const char kError[] = "ERROR";

std::string Integer(std::int64_t value) {
  char digits[24];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
  return std::string(digits, result.ptr);
}

// The camera's numbers are signed 32-bit values stored in unsigned fields.
std::int32_t Signed(std::uint32_t value) {
  return static_cast<std::int32_t>(value);
}

std::string Numbered(std::uint32_t value) {
  return "#" + Integer(Signed(value));
}

// printf's "%.<precision>f" in the C locale.
std::string Fixed(double value, int precision) {
  char digits[400];
  const auto result =
      std::to_chars(std::begin(digits), std::end(digits), value, std::chars_format::fixed, precision);
  return std::string(digits, result.ptr);
}

// printf's "%-4.1f": one decimal, padded with blanks to four characters.
std::string OneDecimal(double value) {
  std::string text = Fixed(value, 1);
  if (text.size() < 4)
    text.append(4 - text.size(), ' ');
  return text;
}

std::string Quotient(TiffRational rational, const char* unit) {
  const std::int32_t denominator = Signed(rational.denominator);
  if (denominator == 0)
    return kError;
  return OneDecimal(static_cast<double>(Signed(rational.numerator)) / denominator) + unit;
}

std::string ExposureTime(TiffRational rational) {
  // In 64 bits: the smallest numerator over -1 does not fit in 32.
  const std::int64_t numerator = Signed(rational.numerator);
  const std::int64_t denominator = Signed(rational.denominator);
  if (numerator != 0 && denominator / numerator >= 2)
    return "1/" + Integer(denominator / numerator) + " sec";
  if (denominator != 0)
    return Fixed(static_cast<double>(numerator) / static_cast<double>(denominator), 6) + " sec";
  return kError;
}

struct Name {
  std::uint32_t value;
  const char* text;
};

template <std::size_t N> std::string Named(const Name (&names)[N], std::uint32_t value) {
  for (const Name& name : names) {
    if (name.value == value)
      return name.text;
  }
  return Numbered(value);
}

const Name kOrientations[] = {{1, "Top Left"}, {2, "Top Right"}, {3, "Bottom Right"}, {4, "Bottom Left"},
                              {5, "Left Top"}, {6, "Right Top"}, {7, "Right Bottom"}, {8, "Left Bottom"}};
const Name kMeteringModes[] = {{0, "Unknown"}, {1, "Average"},    {2, "Center Weighted Avg"},
                               {3, "Spot"},    {4, "Multi-spot"}, {5, "Multi-segment"},
                               {6, "Partial"}, {255, "Other"}};
const Name kLightSources[] = {{0, "Unknown"},
                              {1, "Daylight"},
                              {2, "Fluorescent Light"},
                              {3, "Tungsten Lamp"},
                              {10, "Flash"},
                              {17, "Standard light A"},
                              {18, "Standard light B"},
                              {19, "Standard light C"},
                              {20, "D55"},
                              {21, "D65"},
                              {22, "D75"},
                              {255, "Other"}};
const Name kFlashes[] = {{0, "No"}, {1, "Yes"}, {5, "Yes"}, {7, "Yes"}, {9, "Yes"}, {16, "No"}};

std::string Dimensions(const CTiffBuffer& source) {
  std::uint32_t width = source.GetPixelXDimension();
  if (width == 0)
    width = source.GetImageWidth();
  std::uint32_t height = source.GetPixelYDimension();
  if (height == 0)
    height = source.GetImageLength();
  return Integer(Signed(width)) + "x" + Integer(Signed(height));
}

// A value whose bytes lie outside the block shows as an error, and the
// other values still show.
template <class Read> std::string Guarded(Read read) {
  try {
    return read();
  } catch (const _brantel_take_error&) {
    return kError;
  }
}

void Copy(const std::string& text, std::string* out) {
  if (out)
    *out = text;
}

} // namespace

CPictureInfoExif::CPictureInfoExif(const CTiffBuffer* source) {
  if (source)
    Read(*source);
}

void CPictureInfoExif::Read(const CTiffBuffer& source) {
  m_fileSize = Integer(static_cast<std::int64_t>(source.Size())) + " bytes";
  if (source.DirectoryCount() == 0) {
    for (std::string* text :
         {&m_orientation, &m_exposureTime, &m_aperture, &m_date, &m_exposureBias, &m_meteringMode,
          &m_lightSource, &m_flash, &m_isoSpeed, &m_focalLength, &m_dimensions, &m_dimensions2})
      *text = kError;
    return;
  }
  m_orientation = Guarded([&] { return Named(kOrientations, source.GetOrientation()); });
  m_exposureTime = Guarded([&] { return ExposureTime(source.GetExposureTime()); });
  m_aperture = Guarded([&] { return Quotient(source.GetFNumber(), ""); });
  m_date = Guarded([&] { return source.GetDateTimeOriginal(); });
  m_exposureBias = Guarded([&] { return Quotient(source.GetExposureBias(), ""); });
  m_meteringMode = Guarded([&] { return Named(kMeteringModes, source.GetMeteringMode()); });
  m_lightSource = Guarded([&] { return Named(kLightSources, source.GetLightSource()); });
  m_flash = Guarded([&] { return Named(kFlashes, source.GetFlash()); });
  m_isoSpeed = Guarded([&] { return Integer(Signed(source.GetIsoSpeed())); });
  m_focalLength = Guarded([&] { return Quotient(source.GetFocalLength(), " mm"); });
  m_dimensions = Guarded([&] { return Dimensions(source); });
  m_dimensions2 = m_dimensions;
}

void CPictureInfoExif::GetWhiteBalanceText(std::string* out) {
  Copy(m_lightSource, out);
}

void CPictureInfoExif::GetFlashText(std::string* out) {
  Copy(m_flash, out);
}

void CPictureInfoExif::GetIsoText(std::string* out) {
  Copy(m_isoSpeed, out);
}

void CPictureInfoExif::GetSizeText(std::string* out, const char*) {
  Copy(m_fileSize, out);
}

IPictureInfo* CPictureInfoExif::Clone() {
  return new (std::nothrow) CPictureInfoExif(*this);
}

void CPictureInfoExif::GetOrientationText(std::string* out) {
  Copy(m_orientation, out);
}

void CPictureInfoExif::GetExposureTimeText(std::string* out) {
  Copy(m_exposureTime, out);
}

void CPictureInfoExif::GetApertureText(std::string* out) {
  Copy(m_aperture, out);
}

void CPictureInfoExif::GetDateText(std::string* out) {
  Copy(m_date, out);
}

void CPictureInfoExif::GetExposureBiasText(std::string* out) {
  Copy(m_exposureBias, out);
}

void CPictureInfoExif::GetMeteringModeText(std::string* out) {
  Copy(m_meteringMode, out);
}

void CPictureInfoExif::GetLightSourceText(std::string* out) {
  Copy(m_lightSource, out);
}

void CPictureInfoExif::GetWhiteBalanceText2(std::string* out) {
  Copy(m_lightSource, out);
}

void CPictureInfoExif::GetFocalLengthText(std::string* out) {
  Copy(m_focalLength, out);
}

void CPictureInfoExif::GetDimensionsText(std::string* out) {
  Copy(m_dimensions, out);
}
