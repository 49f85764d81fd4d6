#include "lunet/LunetMethods.h"

#include "lunet/LunetArguments.h"
#include "vantic/Vantic.h"

#include <algorithm>
#include <cstdint>

namespace tarsel::lunet {

using com::Variant;

namespace {

std::vector<std::uint8_t> bytesOfTag(const CamPictureInfoTag& tag) {
  auto bytes = bytesOfWords(tag.head);
  bytes.insert(bytes.end(), tag.text, tag.text + sizeof tag.text);
  const auto tail = bytesOfWords(tag.tail);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

std::vector<std::uint8_t> bytesOfFolder(const CamFolderInfo& info) {
  std::vector<std::uint8_t> bytes(info.name, info.name + sizeof info.name);
  const std::int32_t words[] = {info.zero, info.word8, info.word12};
  const auto tail = bytesOfWords(words);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

std::vector<std::uint8_t> bytesOfMemory(const CamMemoryInfo& info) {
  auto bytes = bytesOfWords(std::span(&info.cardType, 1));
  bytes.insert(bytes.end(), info.text1, info.text1 + sizeof info.text1);
  bytes.insert(bytes.end(), info.text2, info.text2 + sizeof info.text2);
  const auto tail = bytesOfWords(info.words);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

} // namespace

Variant callMethod(LunetCamera& c, DISPID id, std::span<Variant> a) {
  const int picture = static_cast<int>(c.propCurrentPicture);
  switch (id) {
  case 35:
    return Variant::fromLong(static_cast<std::int32_t>(c.connect()));
  case 36:
    return Variant::fromLong(static_cast<std::int32_t>(c.disconnect()));
  case 37:
    c.check(Cam_take_pic());
    break;
  case 38:
    c.check(Cam_control_lcd(longOf(a[0]), 0));
    break;
  case 39:
    c.check(Cam_erase_all());
    break;
  case 40:
    c.check(Cam_erase_last());
    break;
  case 41:
  case 60: {
    if (id == 60)
      LunetCamera::requireArray(a[0], sizeof(CamMemoryInfo));
    CamMemoryInfo info{};
    c.check(Cam_get_memory_info(&info));
    if (id == 60) {
      LunetCamera::toArray(bytesOfMemory(info), a[0]);
      break;
    }
    store(a[0], info.cardType);
    store(a[1], info.words[1]);
    break;
  }
  case 42:
  case 43: {
    if (id == 42)
      LunetCamera::requireArray(a[0], 32);
    std::int32_t w[8] = {};
    c.check(Cam_get_picture_info(picture, w));
    if (id == 42) {
      LunetCamera::toArray(bytesOfWords(w), a[0]);
      break;
    }
    for (const int i : {0, 1, 3, 4})
      store(a[i < 3 ? static_cast<std::size_t>(i) : static_cast<std::size_t>(i - 1)], w[i]);
    break;
  }
  case 44:
  case 64: {
    if (id == 44)
      LunetCamera::requireArray(a[0], 76);
    CamPictureInfoTag tag{};
    c.check(Cam_get_picture_info_tag(picture, &tag));
    if (id == 44) {
      LunetCamera::toArray(bytesOfTag(tag), a[0]);
      break;
    }
    const std::int32_t words[] = {tag.head[0], tag.head[1], tag.head[3], 0,          tag.tail[0],
                                  tag.tail[4], tag.tail[5], tag.tail[6], tag.tail[7]};
    for (std::size_t i = 0; i < 9; ++i) {
      if (i == 3)
        store(a[i], LunetCamera::text(tag.text, sizeof tag.text));
      else
        store(a[i], words[i]);
    }
    break;
  }
  case 45:
    c.download(LunetCamera::Download::Thumbnail, longOf(a[0]), a[1]);
    break;
  case 46:
    c.download(LunetCamera::Download::Picture, longOf(a[0]), a[1]);
    break;
  case 47:
    c.upload(longOf(a[0]), a[1]);
    break;
  case 48:
  case 49:
  case 58:
  case 59: {
    const bool toArray = id == 48 || id == 58;
    if (toArray)
      LunetCamera::requireArray(a[0], 32);
    std::int32_t w[8] = {};
    c.check(id <= 49 ? Cam_get_take_picture_info(w) : Cam_get_current_setting(w));
    if (toArray) {
      LunetCamera::toArray(bytesOfWords(w), a[0]);
      break;
    }
    static constexpr int kCaptureWords[] = {0, 1, 2, 6, 7};
    static constexpr int kCameraWords[] = {0, 1, 5, 6, 4}; // resolution, flash, counts, battery
    const int* picked = id == 49 ? kCaptureWords : kCameraWords;
    for (std::size_t i = 0; i < 5; ++i)
      store(a[i], w[picked[i]]);
    break;
  }
  case 50: {
    const auto w = wordsOfBytes(LunetCamera::fromArray(a[0], 32));
    c.check(Cam_set_take_picture_info(w.data()));
    break;
  }
  case 51: {
    // Words the caller does not give keep the camera's values.
    std::int32_t w[8] = {};
    const std::int32_t given[] = {longOf(a[0]), longOf(a[1]), longOf(a[2])};
    c.raiseIf(Cam_get_take_picture_info(w));
    std::copy(std::begin(given), std::end(given), w);
    c.check(Cam_set_take_picture_info(w));
    break;
  }
  case 52:
  case 53: {
    if (id == 52)
      LunetCamera::requireArray(a[0], 20);
    CamFolderInfo info{};
    c.check(Cam_get_folder_info(static_cast<int>(c.propFolderNo), &info));
    if (id == 52) {
      LunetCamera::toArray(bytesOfFolder(info), a[0]);
      break;
    }
    store(a[0], LunetCamera::text(info.name, sizeof info.name));
    store(a[1], info.word8);
    store(a[2], info.word12);
    break;
  }
  case 54: {
    const auto w = wordsOfBytes(LunetCamera::fromArray(a[0], 20));
    c.check(Cam_set_exposure_mode(w.data()));
    break;
  }
  case 55: {
    std::int32_t w[5] = {};
    const std::int32_t mode = longOf(a[0]);
    const std::int32_t aperture = longOf(a[1]);
    const std::int32_t time = longOf(a[2]);
    c.raiseIf(Cam_get_exposure_mode(w));
    w[0] = mode;
    w[1] = aperture;
    w[3] = time;
    c.check(Cam_set_exposure_mode(w));
    break;
  }
  case 56:
  case 57: {
    if (id == 56)
      LunetCamera::requireArray(a[0], 20);
    std::int32_t w[5] = {};
    c.check(Cam_get_exposure_mode(w));
    if (id == 56) {
      LunetCamera::toArray(bytesOfWords(w), a[0]);
      break;
    }
    store(a[0], w[0]);
    store(a[1], w[1]);
    store(a[2], w[3]);
    break;
  }
  case 61:
    c.check(Cam_take_preview());
    break;
  case 62:
    if (c.propCurrentPicture != 0) {
      c.lastResult = kWrongPreviewNumber;
      throw LunetRaise{kWrongPreviewNumber};
    }
    c.download(LunetCamera::Download::Preview, longOf(a[0]), a[1]);
    break;
  case 63:
    c.check(Cam_erase_select(picture));
    break;
  default:
    throw DispatchRefusal{DISP_E_MEMBERNOTFOUND};
  }
  return {};
}

} // namespace tarsel::lunet
