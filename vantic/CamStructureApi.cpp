// Exported structure and text functions: one block each, little-endian words
// converted to host integers, texts copied as bytes.
#include "vantic/Vantic.h"

#include "vantic/ApiSupport.h"
#include "vantic/CameraRecords.h"
#include "vantic/ExportCall.h"

using namespace tarsel::vantic;
using namespace tarsel::vantic::api;

#define VANTIC_GET_WORDS(name, reg, count)                                                                   \
  int Cam_get_##name(std::int32_t* words) {                                                                  \
    return exportCall([&] { return readWords(reg, words, count); });                                         \
  }
#define VANTIC_SET_WORDS(name, reg, count)                                                                   \
  int Cam_set_##name(const std::int32_t* words) {                                                            \
    return exportCall([&] { return writeWords(reg, words, count); });                                        \
  }
#define VANTIC_GET_TEXT(name, reg, size)                                                                     \
  int Cam_get_##name(char* buffer) {                                                                         \
    return exportCall([&] { return readText(reg, buffer, size); });                                          \
  }

namespace {

// Reads a structure of Size bytes (after an optional selection) and decodes
// it into the caller's record, which stays untouched when the read fails.
template <std::size_t Size, class Record, class Decode>
int readRecord(Record* out, int reg, int selectReg, int selection, Decode decode) {
  if (!out)
    return refuse(CAM_INVALID_PARAMETER);
  std::uint8_t bytes[Size];
  if (const int rc = readStructure(reg, bytes, selectReg, selection); rc != CAM_OK)
    return rc;
  decode(std::span<const std::uint8_t, Size>(bytes), *out);
  return CAM_OK;
}

} // namespace

extern "C" {

VANTIC_GET_TEXT(id, 22, 32)
VANTIC_GET_TEXT(serial_no, 25, 32)
VANTIC_GET_TEXT(version, 26, 32)
VANTIC_GET_TEXT(maker, 48, 32)
VANTIC_GET_TEXT(cam_type, 27, 64)

VANTIC_GET_WORDS(exposure_bias, 69, 2)
VANTIC_SET_WORDS(exposure_bias, 69, 2)
VANTIC_GET_WORDS(focal_length, 71, 2)
VANTIC_SET_WORDS(focal_length, 71, 2)
VANTIC_GET_WORDS(sharpness, 5, 2)
VANTIC_SET_WORDS(sharpness, 5, 2)
VANTIC_GET_WORDS(mac_address, 107, 2)
VANTIC_GET_WORDS(function_available, 45, 8)
VANTIC_GET_WORDS(current_setting, 46, 8)
VANTIC_GET_WORDS(current_setting_2, 73, 10)
VANTIC_GET_WORDS(take_picture_info, 87, 8)
VANTIC_SET_WORDS(take_picture_info, 87, 8)
VANTIC_GET_WORDS(lcd_select_pictures, 60, 10)
VANTIC_GET_WORDS(exposure_mode, 102, 5)
VANTIC_SET_WORDS(exposure_mode, 102, 5)
VANTIC_GET_WORDS(diag_info, 49, 12)
VANTIC_GET_WORDS(diag_awb_info, 61, 12)
VANTIC_SET_WORDS(diag_awb_info, 61, 12)
VANTIC_GET_WORDS(diag_lcd_info, 80, 8)
VANTIC_GET_WORDS(diag_camera_info, 81, 8)
VANTIC_GET_WORDS(diag_lens_info, 88, 8)

int Cam_set_id(const char* text) {
  return exportCall([&] { return writeText(22, text); });
}

int Cam_set_lcd_string(const char* text) {
  return exportCall([&] { return writeText(37, text); });
}

int Cam_set_folder_name(const char* text) {
  return exportCall([&] { return writeText(84, text); });
}

int Cam_get_folder_name(char* buffer, int folder) {
  return exportCall([&] { return readText(84, buffer, 9, 83, folder); });
}

int Cam_get_picture_file_name(char* buffer, int picture) {
  return exportCall([&] { return readText(79, buffer, 13, 4, picture); });
}

int Cam_get_picture_info(int picture, std::int32_t* words) {
  return exportCall([&] { return readWords(47, words, 8, 4, picture); });
}

int Cam_get_picture_info_tag(int picture, CamPictureInfoTag* out) {
  return exportCall(
      [&] { return readRecord<kPictureInfoTagSize>(out, 74, 4, picture, decodePictureInfoTag); });
}

int Cam_get_folder_info(int folder, CamFolderInfo* out) {
  return exportCall([&] { return readRecord<kFolderInfoSize>(out, 91, 83, folder, decodeFolderInfo); });
}

int Cam_get_memory_info(CamMemoryInfo* out) {
  return exportCall([&] { return readRecord<kMemoryInfoSize>(out, 67, -1, 0, decodeMemoryInfo); });
}

int Cam_get_opf_info(int index, CamOpfInfo* out) {
  return exportCall([&] { return readRecord<kOpfInfoSize>(out, 57, 56, index, decodeOpfInfo); });
}

int Cam_get_diag_buffer(void* buffer) {
  return exportCall([&] {
    if (!buffer)
      return refuse(CAM_INVALID_PARAMETER);
    return readStructure(31, std::span<std::uint8_t>(static_cast<std::uint8_t*>(buffer), 400));
  });
}

int Cam_set_diag_buffer(const void* bytes, int length) {
  return exportCall([&] {
    if ((!bytes && length > 0) || length < 0)
      return refuse(CAM_INVALID_PARAMETER);
    return writeStructure(31, std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes),
                                                            static_cast<std::size_t>(length)));
  });
}

int Cam_get_color_bal(void* buffer) {
  return exportCall([&] {
    if (!buffer)
      return refuse(CAM_INVALID_PARAMETER);
    return readStructure(21, std::span<std::uint8_t>(static_cast<std::uint8_t*>(buffer), 2048));
  });
}

int Cam_set_color_bal(const void* bytes) {
  return exportCall([&] {
    if (!bytes)
      return refuse(CAM_INVALID_PARAMETER);
    return writeStructure(21, std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes), 768));
  });
}

} // extern "C"
