// The driver configuration program's own texts (its string table) and the
// error box text of an operation: the operation's text with the error's
// message and its code filled in. Any thread.
#pragma once

#include <QString>

#include <string>

namespace tarsel::drvconfig {

inline constexpr unsigned IDS_CAPTION = 103;
inline constexpr unsigned IDS_ABOUT_DRIVER = 104;
inline constexpr unsigned IDS_ABOUT_CAMERAS = 105;
inline constexpr unsigned IDS_CANNOT_UNREGISTER = 106;
inline constexpr unsigned IDS_CANNOT_REGISTER = 107;
inline constexpr unsigned IDS_CANNOT_UPDATE = 108;
inline constexpr unsigned IDS_NOT_ADMINISTRATOR = 110;
inline constexpr unsigned IDS_RECONNECT_CAMERAS = 111;
inline constexpr unsigned IDS_CAMERAS_REFRESHED = 112;
inline constexpr unsigned IDS_REGISTERED = 113;
inline constexpr unsigned IDS_UNREGISTERED = 114;
inline constexpr unsigned IDS_MODELS_LEFT_OUT = 115;

// The maker's page with the list of supported cameras.
inline constexpr const char* kCameraListPage = "http://www.brantel.example/vesk/cameras.htm";

QString ConfigText(unsigned id);
// The text of `id` ("...%s (0x%X)") for a failure code.
QString ConfigErrorText(unsigned id, int code);
// The warning that names the camera models the access rule left out; the
// other models were served.
QString ModelsLeftOutText(const std::string& names);

} // namespace tarsel::drvconfig
