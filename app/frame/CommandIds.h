// Command identifiers of the main program. Menus, the toolbar, accelerators
// and posted commands all use these numbers; a QAction carries its id in
// QAction::data().
#pragma once

#include "app/host/CameraWindowCommands.h"
#include "hostapi/Win32Types.h"

namespace tarsel::frame::cmd {

// Frame commands.
inline constexpr UINT SelectCameraTypes = 32797;
inline constexpr UINT RefreshCameras = 32814;
inline constexpr UINT DisplayManual = 32799;
inline constexpr UINT SaveAll = 32800;
inline constexpr UINT AllCamerasTakePicture = 32818;
inline constexpr UINT TimeLapse = 32778;
inline constexpr UINT Options = 32819;
inline constexpr UINT DiagnosticsReport = 32837;
inline constexpr UINT AppAbout = 57664;
inline constexpr UINT AppExit = 57665;

// Camera-window commands.
using tarsel::host::window_cmd::TakePicture;
inline constexpr UINT CancelBracketing = 32828;
inline constexpr UINT Zoom100 = 32791;
inline constexpr UINT Zoom50 = 32792;
inline constexpr UINT Zoom25 = 32793;
inline constexpr UINT PreviousPicture = 32794;
inline constexpr UINT NextPicture = 32795;
inline constexpr UINT DeletePicture = 32787;
inline constexpr UINT CancelSeries = 32774;
inline constexpr UINT RotateClockwise = 32788;
inline constexpr UINT RotateCounterclockwise = 32789;
inline constexpr UINT EditCopy = 57634;
inline constexpr UINT FileSaveAs = 57603;
inline constexpr UINT SaveSeries = 32827;
inline constexpr UINT ShowPreview = 32779;
inline constexpr UINT CaptureProperties = 32780;
inline constexpr UINT LcdOn = 32784;
inline constexpr UINT LcdOff = 32785;
inline constexpr UINT CameraInfo = 32783;
inline constexpr UINT DetectCapabilities = 32796;
inline constexpr UINT DownloadAllPictures = 32773;
inline constexpr UINT AdvancedSettings = 32781;
inline constexpr UINT SaveCaptureSettings = 32775;
inline constexpr UINT LoadCaptureSettings = 32776;
inline constexpr UINT SaveAllFocusingImages = 32822;
inline constexpr UINT FileClose = 57602;
inline constexpr UINT ViewStatusBar = 59393;

// Status-bar indicators of the frame's five fixed panes.
inline constexpr UINT IndicatorFirst = 32835;

} // namespace tarsel::frame::cmd
