# The JPEG image class: decoding on the libjpeg 6b interface, lossless
# rotation through TurboJPEG's transformer, or on the library's coefficients
# for the samplings the transformer refuses.
set(TARSEL_PICTURES_JPEG_SOURCES
  JPEGImage.cpp
  JpegDecompressor.cpp
  JpegError.cpp
  JpegLosslessRotation.cpp
  JpegMemoryDestination.cpp
  JpegMemorySource.cpp)
find_package(JPEG REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)
list(APPEND TARSEL_PICTURES_LIBS JPEG::JPEG PkgConfig::TURBOJPEG)
