#include "drvconfig/ConfigTexts.h"

#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"

#include <string>

namespace tarsel::drvconfig {

namespace {

struct Row {
  unsigned id;
  const char* text;
};

// Linux needs no restart after a rule change: udev applies it to the
// cameras connected now, or, when it could not be asked to, a camera picks
// it up when it is connected again. The texts say so.
constexpr Row kTexts[] = {
    {IDS_CAPTION, "BrantelVesk Driver Configuration"},
    {IDS_ABOUT_DRIVER, "BrantelVesk.sys lets Tarsel reach cameras on the camera link. On this computer it is "
                       "the permission for "
                       "the user at the console to open the SCSI generic devices (/dev/sg*) of the camera "
                       "models Tarsel was told "
                       "about. Registering it needs an administrator account.\r\n\r\n"},
    {IDS_ABOUT_CAMERAS,
     "Every time a camera of a new model is to be used, press \"Refresh Cameras\" with the administrator's "
     "rights. The program may be run from any account: started through pkexec, it asks for the "
     "administrator's "
     "password. The list of supported cameras is on the maker's web page "
     "http://www.brantel.example/vesk/cameras.htm."},
    {IDS_CANNOT_UNREGISTER, "Cannot unregister BrantelVesk.sys.\n\nError: %s (0x%X)"},
    {IDS_CANNOT_REGISTER, "Cannot register BrantelVesk.sys.\n\nError: %s (0x%X)"},
    {IDS_CANNOT_UPDATE, "Cannot update cameras for BrantelVesk.sys.\n\nError: %s (0x%X)"},
    {IDS_NOT_ADMINISTRATOR, "You must run this program from an administrative account."},
    {IDS_RECONNECT_CAMERAS,
     "To complete installation of BrantelVesk.sys, disconnect the cameras that are connected now and connect "
     "them again."},
    {IDS_CAMERAS_REFRESHED, "Cameras refreshed successfully."},
    {IDS_REGISTERED, "BrantelVesk.sys registered on the system successfully."},
    {IDS_UNREGISTERED, "BrantelVesk.sys unregistered on the system successfully."},
    {IDS_MODELS_LEFT_OUT, "These camera models were left out: %s\n\nA model name must be 3 to 16 characters "
                          "long, without quotes, commas, backslashes or the characters * ? [ ] |. The other "
                          "models were refreshed."},
};

const char* Find(unsigned id) {
  for (const Row& row : kTexts) {
    if (row.id == id)
      return row.text;
  }
  return "";
}

} // namespace

QString ConfigText(unsigned id) {
  return QString::fromUtf8(Find(id));
}

QString ConfigErrorText(unsigned id, int code) {
  const _brantel_take_error error(code);
  std::string text;
  FormatStdString(text, Find(id), error.ErrorMessage(), static_cast<unsigned>(code));
  return QString::fromUtf8(text.c_str());
}

QString ModelsLeftOutText(const std::string& names) {
  return ConfigText(IDS_MODELS_LEFT_OUT).replace(QStringLiteral("%s"), QString::fromUtf8(names));
}

} // namespace tarsel::drvconfig
