# The TIFF/EXIF codec, TIFF and raw image classes, fraction parser: set(TARSEL_PICTURES_TIFF_SOURCES ...).
set(TARSEL_PICTURES_TIFF_SOURCES
  FractionValue.cpp
  RawImage.cpp
  TIFFImage.cpp
  TiffBuffer.cpp
  TiffDirectory.cpp
  TiffEntry.cpp
  TiffReader.cpp
  TiffWriter.cpp
  TimedTakeError.cpp)
