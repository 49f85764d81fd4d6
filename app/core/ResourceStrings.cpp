#include "app/core/ResourceStrings.h"

#include "app/core/StringIds.h"

#include <algorithm>
#include <array>

namespace tarsel::core {
namespace {

using namespace ids;

// Ordered by id; a test checks the order.
constexpr std::array kStrings = std::to_array<ResourceString>({
    {IDS_TARSEL, "Tarsel"},
    {IDS_CONNECT_TIME_WARNING,
     "The camera seems to be disconnected.\n\n"
     "Connecting to a camera of this type, or finding out that it is not there, can take a long time "
     "on some computers. If you do not use cameras of this type, uncheck them in the camera model "
     "selection to save this time at every start."},
    {IDS_DELETE_SERIES, "The whole series will be deleted."},
    {IDS_DELETE_PICTURE, "The current picture will be deleted."},
    {IDS_CAPABILITIES_UNKNOWN,
     "Tarsel does not know capabilities of %s.\n\n"
     "Do you want to start the Capabilities Detection dialog now? It finds out which settings the "
     "camera accepts."},
    {IDS_BYPASS_MEDIA_CONFLICT,
     "Cannot set Bypass Media when General Settings require leaving pictures in the camera."},
    {IDS_SELECT_CAMERA_MODELS, "Select Camera Models"},
    {IDS_DOWNLOAD_WITH_FILE_MANAGER,
     "To download pictures from this camera open its storage with the file manager as normal and copy "
     "the pictures as you copy any files.\n\nYou can do it even when the camera is being controlled by "
     "Tarsel."},
    {IDS_UNSUPPORTED, "Unsupported"},
    {IDS_NOT_AVAILABLE, "N/A"},
    {IDS_AUTO, "Auto"},
    {IDS_DRIVER_REFRESH_FAILED, "Failed refreshing cameras for BrantelVesk.sys driver.\nError: %s(0x%X)\n\n"
                                "Try running BrantelVesk.sys Configuration from Start menu\n"
                                "(Drevant->Tarsel->BrantelVesk.sys Configuration)"},
    {IDS_ADD_CAMERA_STEPS,
     "To complete adding the new camera:\n\n"
     "    1. Make sure it is connected to the computer (or was connected in the past)\n"
     "    2. log on as an administrator\n"
     "    3. Run BrantelVesk.sys Configuration from Start menu (Drevant->Tarsel->BrantelVesk.sys "
     "Configuration)\n\n"
     "Then log on back to your standard user account and work with Tarsel normally."},
    {IDS_THIS_COMPUTER, "%s - this computer"},
    {IDS_LOGON_FAILED_STEPS,
     "Cannot log on administrator.\n\n"
     "To complete adding the new camera:\n\n"
     "    1. Make sure it is connected to the computer (or was connected in the past)\n"
     "    2. log on as an administrator\n"
     "    3. Run BrantelVesk.sys Configuration from Start menu (Drevant->Tarsel->BrantelVesk.sys "
     "Configuration)\n\n"
     "Then log on back to your standard user account and work with Tarsel normally."},
    {IDS_LOGON_FAILED, "Cannot log on administrator.\n\n%s (0x%X)"},
    {IDS_CAMERA_REFRESH_SUCCEEDED, "Camera refresh succeeded."},
    {IDS_DRIVER_CONFIGURATION_MISSING,
     "Brantel BrantelVesk.sys driver configuration is not installed.\n\n"
     "You MUST run Tarsel from an administrator account to be able to use Brantel \"Vesk\" SDK cameras."},
    {IDS_NOT_ADMINISTRATOR,
     "This user is not an administrator on this computer. Administrator logon is required to refresh "
     "Brantel \"Vesk\" SDK cameras."},
    {IDS_DOWNLOAD_ALL_PICTURES, "Download All Pictures"},
    {IDS_TAKING_PICTURE, "Taking picture..."},
    {IDS_DOWNLOADING_PICTURE, "Downloading picture..."},
    {IDS_DECOMPRESSING, "Decompressing picture..."},
    {IDS_ROTATING, "Rotating..."},
    {IDS_CAMERA_DISCONNECTED, "Camera Disconnected"},
    {IDS_BATTERY_PERCENT, "Battery: %ld%%"},
    {IDS_BATTERY_OK, "Battery: OK"},
    {IDS_BATTERY_WEAK, "Battery: Weak"},
    {IDS_BATTERY_LOW, "Battery: Low"},
    {IDS_BATTERY_VERY_LOW, "Battery: Low!!!"},
    {IDS_BATTERY_UNKNOWN, "Battery: ???"},
    {IDS_BATTERY_LEVEL_LOW_WARNING, "\"Warning: the battery is low.\""},
    {IDS_BATTERY_LEVEL_VERY_LOW_WARNING, "\"Warning: the battery is very low!\""},
    {IDS_READY, "Ready"},
    {IDS_ERROR, "Error"},
    {IDS_CONNECTING, "Connecting to camera..."},
    {IDS_CHECKING_CAMERAS, "Checking cameras..."},
    {IDS_NO_CAMERA, "No Camera"},
    {IDS_TAKING_PICTURES, "Taking Pictures"},
    {IDS_INTERVAL_TOO_SHORT, "Specified Interval is shorter than it is needed to take picture."},
    {IDS_START, "Start"},
    {IDS_CANCEL, "Cancel"},
    {IDS_STOP, "Stop"},
    {IDS_PAUSE, "Pause"},
    {IDS_CONTINUE, "Continue"},
    {IDS_NEXT_PICTURE, "Next Picture: %ld(%ld):  %s"},
    {IDS_SECONDS_BEFORE_PICTURE, "%ld sec before picture"},
    {IDS_PAUSED, "Paused. Press \"Continue\" or \"Stop\""},
    {IDS_ADVANCED_SETTINGS, "Advanced Settings"},
    {IDS_FOCUS_SAMPLES,
     "Move square in the center of the sample picture below to the desired area and compare the "
     "samples above. Double-click the sample that is in focus best: the camera takes the picture "
     "with its focus setting."},
    {IDS_UNKNOWN, "Unknown"},
    {IDS_OPTIONS, "Options"},
    {IDS_SELECT_SAVE_FOLDER, "Select folder where pictures will be saved"},
    {IDS_PROTECTED_PICTURES,
     "Found protected pictures in the camera.\nUnprotect and delete from the camera?\n\n"
     "If you select 'No' the pictures will be downloaded but left in the camera"},
    {IDS_NO_PICTURES_IN_CAMERA, "There are no pictures in the camera."},
    {IDS_CREATE_TARGET_FOLDER, "Target folder not found. Create?"},
    {IDS_CANNOT_CREATE_FOLDER, "Cannot create folder"},
    {IDS_EQUAL_INTERVALS, "Equal Intervals"},
    {IDS_CUSTOM_INTERVALS, "Custom Intervals"},
    {IDS_NO_TIMES_DUE,
     "Either the specified file does not exist or does not contain times in the right format or all "
     "times are in the past."},
    {IDS_NO_SAVERS,
     "No Tarsel File saving utilities are found or could be loaded. Check your installation.\n\n"
     "You will not be able to save pictures."},
    {IDS_CANNOT_OPEN_FILE, "Cannot open file %s.\n\nError: %s(0x%X)"},
    {IDS_PICTURE_OF, "Picture %ld of %ld"},
    {IDS_LOADING, "Loading: %ld%%"},
    {IDS_CAMERA_COUNT, "%ld Cameras"},
    {IDS_SAVE_QUEUE, "Save Queue: %ld"},
    {IDS_CANNOT_SAVE_PARAMETERS, "Cannot save camera parameters to file"},
    {IDS_BATTERY_PERCENT_WARNING, "\"Warning: only %lu%% of battery remains.\""},
    {IDS_FILE_EXISTS, "File %s exist.\n\nOverwrite?"},
    {IDS_CANNOT_CREATE_FILE, "Cannot create file %s.\n\nError: %s(0x%X)\n\nTry saving one more time?"},
    {IDS_ERROR_WRITING_FILE, "Error writing file %s:\n\n%s(0x%X)"},
    {IDS_TEST_COMPLETED, "The test has been successfully completed.\nSettings were saved in the file '%s'\n"
                         "From now on the camera will use the detected parameters.\n\n"
                         "If you need to modify the parameters, see Help."},
    {IDS_COMPLETED_SUCCESSFULLY, "COMPLETED SUCCESSFULLY"},
    {IDS_TEST_CANCELLED, "The test has been cancelled.\n\nYou may run again it at any time."},
    {IDS_CANCELLED, "CANCELLED"},
    {IDS_CLOSE, "&Close"},
    {IDS_DETECTION_TAKES_LONG,
     "The detection process may take a long time.\nDo not move the camera while it is in progress."},
    {IDS_SAVE_BEFORE_EXIT, "Some pictures are not saved. Do you want to save them before exiting?"},
    {IDS_STILL_SAVING, "Tarsel is still saving pictures. Are you sure you want to quit?"},
    {IDS_UNKNOWN_IMAGE_TYPE, "Unknown Image Type: 0x%X"},
    {IDS_CAPTURE_PROFILE_FILES, "Capture Profile Files"},
    {IDS_NO_MEDIA, "No Media"},
    {IDS_LCD_AND_PREVIEW,
     "Having both Preview window and LCD On is not advisable.\n\n"
     "The camera's monitor uses battery power, and the live preview may be slower while it is on.\n\n"
     "Do you want to use only one of them at a time from now on?"},
    {IDS_NO_NEW_CAMERA_MODELS,
     "Advanced Camera Selection has not found any camera models not yet known to Tarsel that have "
     "been connected to this computer."},
    {IDS_ERROR_COUNT, "Number of Errors: %ld"},
    {IDS_DONE, "Done."},
    {IDS_SWITCHING_TO_LCD_CAMERA,
     "You are switching to a camera, having LCD On, while using Preview window.\n\n"
     "The camera's monitor uses battery power, and the live preview may be slower while it is on.\n\n"
     "Do you want to use only one of them at a time from now on?"},
    {IDS_PICTURE_MAY_BE_SAVED, "Picture file may be (or have been) saved as normal."},
    {IDS_PARSING_FAILED, "Parsing of image failed; the image cannot be displayed."},
    {IDS_PANEL_SOURCE, "Source:"},
    {IDS_PANEL_ERROR, "Error:"},
    {IDS_PANEL_NOTE, "NOTE:"},
    {IDS_RAW_IMAGE, "Raw Image.\r\n\r\nIt cannot be displayed,\r\nbut you can save\r\nthe file as normal."},
});

} // namespace

const char* FindResourceString(UINT id) {
  const auto it =
      std::lower_bound(kStrings.begin(), kStrings.end(), id,
                       [](const ResourceString& entry, UINT wanted) { return entry.id < wanted; });
  return it != kStrings.end() && it->id == id ? it->text : nullptr;
}

std::span<const ResourceString> ResourceStringTable() {
  return kStrings;
}

} // namespace tarsel::core
