// The data the simulated cameras deliver: baseline JPEG pictures with an EXIF
// block, thumbnails, raw blobs and live-view frames. The content is a
// deterministic pattern seeded by `seed`, so equal parameters give equal
// bytes. Pure functions, callable from any thread; they throw
// std::runtime_error when the JPEG encoder fails (out of memory).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarsel::cdsim {

using Bytes = std::vector<std::uint8_t>;

struct PictureParams {
  std::uint32_t width = 640;
  std::uint32_t height = 480;
  int quality = 85;
  std::uint32_t seed = 1;
  std::string make = "Sim";
  std::string model;
  std::string software;
  std::uint32_t clockSeconds = 0; // the camera's wall clock, written as it reads
  std::uint16_t isoSpeed = 0;     // ISO number; 0: not written
  std::uint16_t flash = 0;        // EXIF flash value
  std::uint16_t whiteBalance = 0; // EXIF: 0 auto, 1 manual
  std::uint16_t focalLength = 0;  // numerator over focalBase; 0: not written
  std::uint16_t focalBase = 1;
  // The exposure the picture was taken with, as the camera's codes (eight
  // steps a stop); written only when `exposureGiven`.
  bool exposureGiven = false;
  std::uint16_t apertureCode = 0;
  std::uint16_t exposureTimeCode = 0;
  std::uint16_t exposureBiasCode = 0;
};

// An EXIF rational; the numerator is signed only for SRATIONAL tags.
struct Rational {
  std::int32_t numerator = 0;
  std::uint32_t denominator = 1;
};

Bytes makeJpegPicture(const PictureParams& p);
// A small JPEG of the same scene, without EXIF.
Bytes makeThumbnail(const PictureParams& p);
// "CDSIMRAW", u32 width, u32 height, then pattern bytes up to `size` in all.
Bytes makeRawPicture(const PictureParams& p, std::uint32_t size);
// A live-view frame whose moving bar shows the frame number.
Bytes makeViewfinderFrame(std::uint32_t width, std::uint32_t height, std::uint32_t frameNumber);

// The APP1 payload ("Exif\0\0" and a little-endian TIFF structure).
Bytes makeExifBlock(const PictureParams& p);
// "YYYY:MM:DD HH:MM:SS" of a wall-clock second count.
std::string exifDateTime(std::uint32_t seconds);

// The camera's codes as EXIF values.
std::uint16_t isoSpeedOfCode(std::uint16_t code); // 0 for "Auto" and unknown codes
std::uint16_t exifFlashOfMode(std::uint16_t mode);
// The nominal f-number, shutter time (seconds) and bias (EV) of the codes,
// as a camera's EXIF block gives them: code 8 is f/1.0, 56 one second and
// 24 no bias; each step of eight is one stop.
Rational fNumberOfCode(std::uint16_t code);
Rational exposureTimeOfCode(std::uint16_t code);
Rational exposureBiasOfCode(std::uint16_t code);

} // namespace tarsel::cdsim
