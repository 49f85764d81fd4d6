// Exported register functions: range-checked writes (code) and reads (value).
#include "vantic/Vantic.h"

#include "vantic/ApiSupport.h"
#include "vantic/ExportCall.h"

#include <ctime>

using namespace tarsel::vantic;
using namespace tarsel::vantic::api;

#define VANTIC_SET(name, reg)                                                                                \
  int Cam_set_##name(int value) {                                                                            \
    return exportCall([&] { return setRegister(reg, static_cast<std::uint32_t>(value)); });                  \
  }
#define VANTIC_SET16(name, reg)                                                                              \
  int Cam_set_##name(int value) {                                                                            \
    return exportCall([&] { return setRegister(reg, low16(value)); });                                       \
  }
#define VANTIC_GET(name, reg)                                                                                \
  int Cam_get_##name(void) {                                                                                 \
    return exportCall([&] { return getRegister(reg); }, -1);                                                 \
  }

extern "C" {

VANTIC_SET(compression, 0)
VANTIC_GET(compression, 0)
VANTIC_SET(resolution, 1)
VANTIC_GET(resolution, 1)
VANTIC_GET(exposure, 3)
VANTIC_SET(color_mode, 6)
VANTIC_GET(color_mode, 6)
VANTIC_SET(flash_mode, 7)
VANTIC_GET(flash_mode, 7)
VANTIC_SET(ygain, 8)
VANTIC_GET(ygain, 8)
VANTIC_SET(cgain, 9)
VANTIC_GET(cgain, 9)
VANTIC_GET(picture_count, 10)
VANTIC_GET(remaining_count, 11)
VANTIC_GET(battery_status, 16)
VANTIC_SET(tone_curve, 19)
VANTIC_GET(tone_curve, 19)
VANTIC_SET(light_source, 20)
VANTIC_GET(light_source, 20)
VANTIC_GET(free_mem, 28)
VANTIC_SET(timer_led, 30)
VANTIC_SET(diag_long, 32)
VANTIC_GET(diag_long, 32)
VANTIC_SET(focus, 33)
VANTIC_GET(focus, 33)
VANTIC_GET(lcd, 34)
VANTIC_SET16(lcd_brightness, 35)
VANTIC_GET(lcd_brightness, 35)
VANTIC_SET16(lcd_contrast, 36)
VANTIC_GET(lcd_contrast, 36)
VANTIC_SET16(lcd_power_down, 38)
VANTIC_GET(lcd_power_down, 38)
VANTIC_GET(lcd_picture_number, 40)
VANTIC_SET(lcd_date_format, 41)
VANTIC_GET(lcd_date_format, 41)
VANTIC_SET(audio, 42)
VANTIC_GET(audio, 42)
VANTIC_SET(last_setting, 50)
VANTIC_GET(last_setting, 50)
VANTIC_SET(memory_select, 51)
VANTIC_GET(memory_select, 51)
VANTIC_SET(lcd_disp_language, 53)
VANTIC_GET(lcd_disp_language, 53)
VANTIC_GET(opf_count, 55)
VANTIC_GET(lcd_select_count, 59)
VANTIC_GET(memory_status, 65)
VANTIC_SET(beep_mode, 68)
VANTIC_GET(beep_mode, 68)
VANTIC_SET(metering_mode, 70)
VANTIC_GET(metering_mode, 70)
VANTIC_SET(special_function, 72)
VANTIC_GET(special_function, 72)
VANTIC_SET(default_params, 76)
VANTIC_SET(datablock_size, 77)
VANTIC_GET(datablock_size, 77)
VANTIC_SET(packet_delay, 78)
VANTIC_GET(packet_delay, 78)
VANTIC_SET(session_time, 82)
VANTIC_GET(session_time, 82)
VANTIC_GET(folder_number, 83)
VANTIC_SET(iso_speed_ratings, 85)
VANTIC_GET(iso_speed_ratings, 85)
VANTIC_SET16(digital_zoom, 86)
VANTIC_GET(digital_zoom, 86)
VANTIC_SET(lcd_disp_direction, 89)
VANTIC_GET(lcd_disp_direction, 89)
VANTIC_SET(manual_focus, 103)
VANTIC_GET(manual_focus, 103)
VANTIC_SET(video_signal_mode, 108)
VANTIC_GET(video_signal_mode, 108)

int Cam_set_exposure(int value) {
  return exportCall([&] {
    // Exposure values 1..61 mean nothing to the camera.
    if (value >= 1 && value <= 61)
      return refuse(CAM_OUT_OF_RANGE);
    return setRegister(3, static_cast<std::uint32_t>(value));
  });
}

int Cam_format_memory_card(int value) {
  return exportCall([&] { return setRegister(52, static_cast<std::uint32_t>(value)); });
}

int Cam_set_initialize_setting(void) {
  return exportCall([&] { return setRegister(109, 0); });
}

int Cam_set_time(int secondsSince1970) {
  return exportCall([&] { return setRegister(2, static_cast<std::uint32_t>(secondsSince1970)); });
}

int Cam_get_time_value(void) {
  return exportCall([&] { return getRegister(2); }, -1);
}

int Cam_get_time(CamTime* out) {
  return exportCall([&]() -> int {
    if (!out)
      return refuse(CAM_INVALID_PARAMETER);
    std::uint32_t seconds = 0;
    if (const int rc = camera().operations().readChecked(2, false, seconds); rc != CAM_OK)
      return rc;
    const std::time_t when = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!::localtime_r(&when, &local))
      return refuse(CAM_BAD_RESPONSE);
    *out = CamTime{local.tm_sec,  local.tm_min,  local.tm_hour, local.tm_mday, local.tm_mon,
                   local.tm_year, local.tm_wday, local.tm_yday, local.tm_isdst};
    return CAM_OK;
  });
}

// A pair of 16-bit registers, written in order; the first failing write ends it.
static int setPair(int firstReg, int first, int secondReg, int second) {
  if (const int rc = setRegister(firstReg, low16(first)); rc != CAM_OK)
    return rc;
  return setRegister(secondReg, low16(second));
}

static int getPair(int firstReg, std::int16_t* first, int secondReg, std::int16_t* second) {
  if (!first || !second)
    return refuse(CAM_INVALID_PARAMETER);
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  if (const int rc = camera().operations().readChecked(firstReg, false, a); rc != CAM_OK)
    return rc;
  if (const int rc = camera().operations().readChecked(secondReg, false, b); rc != CAM_OK)
    return rc;
  *first = static_cast<std::int16_t>(a);
  *second = static_cast<std::int16_t>(b);
  return CAM_OK;
}

int Cam_set_pwr_down(int cameraSeconds, int hostSeconds) {
  return exportCall([&] { return setPair(23, cameraSeconds, 24, hostSeconds); });
}

int Cam_get_pwr_down(std::int16_t* cameraSeconds, std::int16_t* hostSeconds) {
  return exportCall([&] { return getPair(23, cameraSeconds, 24, hostSeconds); });
}

int Cam_set_lcd_power_down_2(int first, int second) {
  return exportCall([&] { return setPair(54, first, 38, second); });
}

int Cam_get_lcd_power_down_2(std::int16_t* first, std::int16_t* second) {
  return exportCall([&] { return getPair(54, first, 38, second); });
}

int Cam_get_picture_size(int picture) {
  return exportCall([&] { return getSelected(4, picture, 12); }, -1);
}

int Cam_get_thumbnail_size(int picture) {
  return exportCall([&] { return getSelected(4, picture, 13); }, -1);
}

int Cam_get_protect_mode(int picture) {
  return exportCall([&] { return getSelected(4, picture, 39); }, -1);
}

} // extern "C"
