# The JPEG image class: decoding on the libjpeg 6b interface, lossless
# rotation through TurboJPEG's transformer.
set(TARSEL_PICTURES_JPEG_SOURCES
  JPEGImage.cpp
  JpegError.cpp
  JpegMemorySource.cpp)
find_package(JPEG REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)
list(APPEND TARSEL_PICTURES_LIBS JPEG::JPEG PkgConfig::TURBOJPEG)
