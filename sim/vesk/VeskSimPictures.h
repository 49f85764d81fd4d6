// Makes the files a simulated camera stores: baseline JPEG pictures with an
// EXIF block (maker, model, software, date and time, orientation, exposure
// data, focal length), uncompressed RGB TIFF pictures, raw files that begin with "BRF",
// thumbnails for the index, and numbered preview frames. The picture content
// is a deterministic pattern with noise seeded by `seed`, so the same
// parameters always give the same bytes and higher JPEG quality gives larger
// files. Pure functions, callable from any thread; they throw
// std::runtime_error only when the JPEG encoder fails (out of memory).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarsel::vesksim {

struct PictureParams {
  std::uint32_t width = 640;
  std::uint32_t height = 480;
  int quality = 75;
  std::uint32_t seed = 1;
  std::string make;
  std::string model;
  std::string software;
  std::string dateTime = "2024:01:01 00:00:00"; // EXIF form
  std::uint16_t orientation = 1;
  std::uint32_t exposureUs = 0;     // 0: not written
  std::uint32_t apertureTenths = 0; // 0: not written
  std::uint32_t isoSpeed = 0;       // 0: not written
  std::int32_t biasTenths = 0;
  std::uint16_t programMode = 2;
  std::uint16_t metering = 5;
  std::uint16_t flash = 0;        // EXIF flash value (bit 0: fired)
  std::uint16_t whiteBalance = 0; // EXIF: 0 auto, 1 manual
  std::uint32_t focalTenths = 0;  // the lens position in tenths of mm; 0: not written
};

std::vector<std::uint8_t> makeJpegPicture(const PictureParams& p);
std::vector<std::uint8_t> makeTiffPicture(const PictureParams& p);
std::vector<std::uint8_t> makeRawPicture(const PictureParams& p);
// A 160 x 120 JPEG of the same scene, without EXIF.
std::vector<std::uint8_t> makeThumbnail(const PictureParams& p);
// A 320 x 240 JPEG showing the frame number and the camera's time of day.
std::vector<std::uint8_t> makePreviewFrame(std::uint32_t frameNumber, std::uint32_t cameraSeconds);

// The APP1 payload ("Exif\0\0" + TIFF structure) that makeJpegPicture writes.
std::vector<std::uint8_t> makeExifBlock(const PictureParams& p);

// "YYYY:MM:DD HH:MM:SS" of seconds since 1970 (UTC, no time zone).
std::string exifDateTime(std::uint32_t seconds);

} // namespace tarsel::vesksim
