#include "app/core/ResourceStrings.h"

#include <algorithm>
#include <array>

namespace tarsel::core {
namespace {

// Ordered by id; a test checks the order.
constexpr std::array kStrings = std::to_array<ResourceString>({
    {128, "Tarsel"},
    {130, "The camera seems to be disconnected.\n\n"
          "Connecting to a camera of this type, or finding out that it is not there, can take a long time "
          "on some computers. If you do not use cameras of this type, uncheck them in the camera model "
          "selection to save this time at every start."},
    {131, "The whole series will be deleted."},
    {132, "The current picture will be deleted."},
    {144, "Tarsel does not know capabilities of %s.\n\n"
          "Do you want to start the Capabilities Detection dialog now? It finds out which settings the "
          "camera accepts."},
    {148, "Cannot set Bypass Media when General Settings require leaving pictures in the camera."},
    {149, "Select Camera Models"},
    {150,
     "To download pictures from this camera open its drive in Windows as normal and copy the pictures "
     "using regular Windows means.\n\nYou can do it even when the camera is being controlled by Tarsel."},
    {151, "Unsupported"},
    {152, "N/A"},
    {153, "Auto"},
    {154, "Failed refreshing cameras for BrantelVesk.sys driver.\nError: %s(0x%X)\n\n"
          "Try running BrantelVesk.sys Configuration from Start menu\n"
          "(Drevant->Tarsel->BrantelVesk.sys Configuration)"},
    {155, "To complete adding the new camera:\n\n"
          "    1. Make sure it is connected to the computer (or was connected in the past)\n"
          "    2. log on as an administrator\n"
          "    3. Run BrantelVesk.sys Configuration from Start menu (Drevant->Tarsel->BrantelVesk.sys "
          "Configuration)\n\n"
          "Then log on back to your standard user account and work with Tarsel normally."},
    {156, "%s - this computer"},
    {157, "Cannot log on administrator.\n\n"
          "To complete adding the new camera:\n\n"
          "    1. Make sure it is connected to the computer (or was connected in the past)\n"
          "    2. log on as an administrator\n"
          "    3. Run BrantelVesk.sys Configuration from Start menu (Drevant->Tarsel->BrantelVesk.sys "
          "Configuration)\n\n"
          "Then log on back to your standard user account and work with Tarsel normally."},
    {158, "Cannot log on administrator.\n\n%s (0x%X)"},
    {159, "Camera refresh succeeded."},
    {160,
     "Brantel BrantelVesk.sys driver configuration is not installed.\n\n"
     "You MUST run Tarsel from an administrator account to be able to use Brantel \"Vesk\" SDK cameras."},
    {161, "This user is not an administrator on this computer. Administrator logon is required to refresh "
          "Brantel \"Vesk\" SDK cameras."},
    {32826, "Download All Pictures"},
    {32840, "Taking picture..."},
    {32841, "Downloading picture..."},
    {32842, "Decompressing picture..."},
    {32843, "Rotating..."},
    {32844, "Camera Disconnected"},
    {32845, "Battery: %ld%%"},
    {32846, "Battery: OK"},
    {32847, "Battery: Weak"},
    {32848, "Battery: Low"},
    {32849, "Battery: Low!!!"},
    {32850, "Battery: ???"},
    {32851, "\"Warning: the battery is low.\""},
    {32852, "\"Warning: the battery is very low!\""},
    {57345, "Ready"},
    {61225, "Error"},
    {61226, "Connecting to camera..."},
    {61227, "Checking cameras..."},
    {61230, "No Camera"},
    {61233, "Taking Pictures"},
    {61236, "Specified Interval is shorter than it is needed to take picture."},
    {61237, "Start"},
    {61238, "Cancel"},
    {61239, "Stop"},
    {61240, "Pause"},
    {61241, "Continue"},
    {61242, "Next Picture: %ld(%ld):  %s"},
    {61243, "%ld sec before picture"},
    {61245, "Paused. Press \"Continue\" or \"Stop\""},
    {61246, "Advanced Settings"},
    {61248, "Move square in the center of the sample picture below to the desired area and compare the "
            "samples above. Double-click the sample that is in focus best: the camera takes the picture "
            "with its focus setting."},
    {61249, "Unknown"},
    {61251, "Options"},
    {61252, "Select folder where pictures will be saved"},
    {61253, "Found protected pictures in the camera.\nUnprotect and delete from the camera?\n\n"
            "If you select 'No' the pictures will be downloaded but left in the camera"},
    {61254, "There are no pictures in the camera."},
    {61255, "Target folder not found. Create?"},
    {61256, "Cannot create folder"},
    {61257, "Equal Intervals"},
    {61258, "Custom Intervals"},
    {61259, "Either the specified file does not exist or does not contain times in the right format or all "
            "times are in the past."},
    {61260, "No Tarsel File saving utilities are found or could be loaded. Check your installation.\n\n"
            "You will not be able to save pictures."},
    {61261, "Cannot open file %s.\n\nError: %s(0x%X)"},
    {61263, "Picture %ld of %ld"},
    {61264, "Loading: %ld%%"},
    {61265, "%ld Cameras"},
    {61266, "Save Queue: %ld"},
    {61267, "Cannot save camera parameters to file"},
    {61268, "\"Warning: only %lu%% of battery remains.\""},
    {61269, "File %s exist.\n\nOverwrite?"},
    {61270, "Cannot create file %s.\n\nError: %s(0x%X)\n\nTry saving one more time?"},
    {61271, "Error writing file %s:\n\n%s(0x%X)"},
    {61272, "The test has been successfully completed.\nSettings were saved in the file '%s'\n"
            "From now on the camera will use the detected parameters.\n\n"
            "If you need to modify the parameters, see Help."},
    {61273, "COMPLETED SUCCESSFULLY"},
    {61274, "The test has been cancelled.\n\nYou may run again it at any time."},
    {61275, "CANCELLED"},
    {61276, "&Close"},
    {61277, "The detection process may take a long time.\nDo not move the camera while it is in progress."},
    {61278, "Some pictures are not saved. Do you want to save them before exiting?"},
    {61279, "Tarsel is still saving pictures. Are you sure you want to quit?"},
    {61280, "Unknown Image Type: 0x%X"},
    {61281, "Capture Profile Files"},
    {61282, "No Media"},
    {61283, "Having both Preview window and LCD On is not advisable.\n\n"
            "The camera's monitor uses battery power, and the live preview may be slower while it is on.\n\n"
            "Do you want to use only one of them at a time from now on?"},
    {61287, "Advanced Camera Selection has not found any camera models not yet known to Tarsel that have "
            "been connected to this computer."},
    {61297, "Number of Errors: %ld"},
    {61298, "Done."},
    {61303, "You are switching to a camera, having LCD On, while using Preview window.\n\n"
            "The camera's monitor uses battery power, and the live preview may be slower while it is on.\n\n"
            "Do you want to use only one of them at a time from now on?"},
    {61304, "Picture file may be (or have been) saved as normal."},
    {61305, "Parsing of image failed; the image cannot be displayed."},
    {61306, "Source:"},
    {61307, "Error:"},
    {61308, "NOTE:"},
    {61309, "Raw Image.\r\n\r\nIt cannot be displayed,\r\nbut you can save\r\nthe file as normal."},
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
