// Exported structure and text functions: one block each, little-endian words
// converted to host integers, texts copied as bytes.
#include "vantic/Vantic.h"

#include "vantic/ApiSupport.h"
#include "vantic/ExportCall.h"

#include <cstring>

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

using Bytes = std::span<const std::uint8_t>;

// Reads a structure of Size bytes (after an optional selection) and decodes
// it into the caller's record, which stays untouched when the read fails.
template <std::size_t Size, class Record, class Decode>
int readRecord(Record* out, int reg, int selectReg, int selection, Decode decode) {
  if (!out)
    return refuse(CAM_INVALID_PARAMETER);
  std::uint8_t bytes[Size];
  if (const int rc = readStructure(reg, bytes, selectReg, selection); rc != CAM_OK)
    return rc;
  decode(Bytes(bytes), *out);
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
  return exportCall([&] {
    return readRecord<76>(out, 74, 4, picture, [](Bytes bytes, CamPictureInfoTag& tag) {
      for (int i = 0; i < 5; ++i)
        tag.head[i] = wordAt(bytes, static_cast<std::size_t>(i) * 4);
      std::memcpy(tag.text, bytes.data() + 20, sizeof(tag.text));
      for (int i = 0; i < 9; ++i)
        tag.tail[i] = wordAt(bytes, 40 + static_cast<std::size_t>(i) * 4);
    });
  });
}

int Cam_get_folder_info(int folder, CamFolderInfo* out) {
  return exportCall([&] {
    return readRecord<16>(out, 91, 83, folder, [](Bytes bytes, CamFolderInfo& info) {
      std::memcpy(info.name, bytes.data(), sizeof(info.name));
      info.zero = 0;
      info.word8 = wordAt(bytes, 8);
      info.word12 = wordAt(bytes, 12);
    });
  });
}

int Cam_get_memory_info(CamMemoryInfo* out) {
  return exportCall([&] {
    return readRecord<88>(out, 67, -1, 0, [](Bytes bytes, CamMemoryInfo& memory) {
      memory.cardType = wordAt(bytes, 0);
      std::memcpy(memory.text1, bytes.data() + 4, sizeof(memory.text1));
      std::memcpy(memory.text2, bytes.data() + 36, sizeof(memory.text2));
      for (int i = 0; i < 5; ++i)
        memory.words[i] = wordAt(bytes, 68 + static_cast<std::size_t>(i) * 4);
    });
  });
}

int Cam_get_opf_info(int index, CamOpfInfo* out) {
  return exportCall([&] {
    return readRecord<72>(out, 57, 56, index, [](Bytes bytes, CamOpfInfo& opf) {
      std::memcpy(opf.bytes12, bytes.data(), sizeof(opf.bytes12));
      std::memcpy(opf.bytes8, bytes.data() + 12, sizeof(opf.bytes8));
      for (int i = 0; i < 3; ++i)
        opf.values[i] = halfAt(bytes, 20 + static_cast<std::size_t>(i) * 2);
      std::memcpy(opf.bytes40, bytes.data() + 26, sizeof(opf.bytes40));
      opf.word = wordAt(bytes, 66);
      opf.last = halfAt(bytes, 70);
    });
  });
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
