#include "lunet/LunetProperties.h"

#include "lunet/LunetArguments.h"
#include "platform/com/OleDate.h"
#include "vantic/Vantic.h"

#include <cstdint>
#include <ctime>

namespace tarsel::lunet {

using com::Variant;

namespace {

// Seconds since 1970 (camera clock, local time) as a DATE.
DATE dateOfCameraTime(int seconds) {
  const std::time_t t = seconds;
  std::tm local{};
  if (::localtime_r(&t, &local) == nullptr)
    throw LunetRaise{CAM_OUT_OF_RANGE};
  return com::DateFromFields(local).value_or(0.0);
}

int cameraTimeOfDate(DATE date) {
  auto fields = com::FieldsFromDate(date);
  if (!fields)
    throw LunetRaise{CAM_OUT_OF_RANGE};
  fields->tm_isdst = -1;
  const std::time_t t = std::mktime(&*fields);
  if (t < 0 || t > INT32_MAX)
    throw LunetRaise{CAM_OUT_OF_RANGE};
  return static_cast<int>(t);
}

} // namespace

Variant getProperty(LunetCamera& c, DISPID id) {
  const int picture = static_cast<int>(c.propCurrentPicture);
  auto plain = [&](int value) { return Variant::fromLong(static_cast<std::int32_t>(c.plain(value))); };
  switch (id) {
  case 1:
    return Variant::fromLong(static_cast<std::int32_t>(c.propSpeed));
  case 2:
    return Variant::fromLong(static_cast<std::int32_t>(c.propPort));
  case 3:
    return Variant::fromLong(static_cast<std::int32_t>(c.propCancel));
  case 4: {
    std::int32_t words[2] = {};
    c.check(Cam_get_focal_length(words));
    return Variant::fromLong(words[0]);
  }
  case 5:
    return plain(Cam_get_special_function());
  case 6:
    return plain(Cam_get_flash_mode());
  case 7:
    return plain(Cam_get_resolution());
  case 9: {
    char text[32];
    c.check(Cam_get_id(text));
    return Variant::fromText(LunetCamera::text(text, sizeof text));
  }
  case 10: {
    const long seconds = c.plain(Cam_get_time_value());
    return Variant::fromDate(dateOfCameraTime(seconds == -1 ? 0 : static_cast<int>(seconds)));
  }
  case 11: {
    char text[9];
    c.check(Cam_get_folder_name(text, static_cast<int>(c.propFolderNo)));
    return Variant::fromText(LunetCamera::text(text, sizeof text));
  }
  case 12:
    return plain(Cam_get_lcd_brightness());
  case 13: {
    char text[64];
    c.check(Cam_get_cam_type(text));
    return Variant::fromText(LunetCamera::text(text, sizeof text));
  }
  case 14: {
    char text[13];
    c.check(Cam_get_picture_file_name(text, picture));
    return Variant::fromText(LunetCamera::text(text, sizeof text));
  }
  case 15:
    return plain(Cam_get_folder_number());
  case 16:
    return plain(Cam_get_free_mem());
  case 17:
    return plain(Cam_get_thumbnail_size(picture));
  case 18:
    return plain(Cam_get_picture_count());
  case 19:
    return plain(Cam_get_picture_size(picture));
  case 20:
  case 21: {
    std::int16_t camera = 0;
    std::int16_t host = 0;
    c.check(Cam_get_pwr_down(&camera, &host));
    return Variant::fromLong(id == 20 ? camera : host);
  }
  case 22:
    return plain(Cam_get_lcd_power_down());
  case 23:
    return plain(Cam_get_protect_mode(picture));
  case 24:
    return plain(Cam_get_remaining_count());
  case 25:
    return plain(Cam_get_lcd_date_format());
  case 26:
    return Variant::fromBool(c.readyNow());
  case 29:
    return plain(Cam_get_light_source());
  case 30: {
    std::int32_t words[2] = {};
    c.check(Cam_get_exposure_bias(words));
    return Variant::fromLong(words[0]);
  }
  case 31:
    return plain(Cam_get_metering_mode());
  case 32:
    return plain(Cam_get_iso_speed_ratings());
  case 33:
    return plain(Cam_get_focus());
  case 34:
    return plain(Cam_get_manual_focus());
  default:
    throw NotSupported{CTL_E_GETNOTSUPPORTED};
  }
}

bool putProperty(LunetCamera& c, DISPID id, const Variant& value) {
  const int picture = static_cast<int>(c.propCurrentPicture);
  switch (id) {
  case 1:
    c.propSpeed = longOf(value);
    return true;
  case 2:
    c.propPort = longOf(value);
    return true;
  case 3:
    c.propCancel = longOf(value);
    return true;
  case 27:
    c.propCurrentPicture = longOf(value);
    return true;
  case 28:
    c.propFolderNo = longOf(value);
    return true;
  case 4: {
    const std::int32_t words[2] = {longOf(value), 10};
    c.check(Cam_set_focal_length(words));
    return false;
  }
  case 5:
    c.check(Cam_set_special_function(longOf(value)));
    return false;
  case 6:
    c.check(Cam_set_flash_mode(longOf(value)));
    return false;
  case 7:
    c.check(Cam_set_resolution(longOf(value)));
    return false;
  case 8:
    c.check(Cam_set_timer_led(longOf(value)));
    return false;
  case 9: {
    // The camera takes fewer than 32 characters.
    const std::string id31 = textOf(value).substr(0, 31);
    c.check(Cam_set_id(id31.c_str()));
    return false;
  }
  case 10: {
    DATE date = 0;
    if (FAILED(value.asDate(date)))
      throw DispatchRefusal{DISP_E_TYPEMISMATCH};
    c.check(Cam_set_time(cameraTimeOfDate(date)));
    return false;
  }
  case 11:
    c.check(Cam_set_folder_name(textOf(value).c_str()));
    return false;
  case 12:
    c.check(Cam_set_lcd_brightness(longOf(value)));
    return false;
  case 20:
  case 21: {
    const std::int32_t v = longOf(value);
    // Both values are written together: the one not changed is read first,
    // and nothing is written when that read fails.
    std::int16_t camera = 0;
    std::int16_t host = 0;
    c.raiseIf(Cam_get_pwr_down(&camera, &host));
    c.check(id == 20 ? Cam_set_pwr_down(v, host) : Cam_set_pwr_down(camera, v));
    return false;
  }
  case 22:
    c.check(Cam_set_lcd_power_down(longOf(value)));
    return false;
  case 23:
    c.check(Cam_protect_picture(longOf(value), picture));
    return false;
  case 25:
    c.check(Cam_set_lcd_date_format(longOf(value)));
    return false;
  case 29:
    c.check(Cam_set_light_source(longOf(value)));
    return false;
  case 30: {
    const std::int32_t v = longOf(value);
    // The pair's second word is the camera's: read it, change only the first.
    std::int32_t words[2] = {};
    c.raiseIf(Cam_get_exposure_bias(words));
    words[0] = v;
    c.check(Cam_set_exposure_bias(words));
    return false;
  }
  case 31:
    c.check(Cam_set_metering_mode(longOf(value)));
    return false;
  case 32:
    c.check(Cam_set_iso_speed_ratings(longOf(value)));
    return false;
  case 33:
    c.check(Cam_set_focus(longOf(value)));
    return false;
  case 34:
    c.check(Cam_set_manual_focus(longOf(value)));
    return false;
  default:
    throw NotSupported{CTL_E_SETNOTSUPPORTED};
  }
}

} // namespace tarsel::lunet
