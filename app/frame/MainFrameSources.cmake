# The main frame, its camera-family list and device watcher.
list(APPEND TARSEL_FRAME_SOURCES
  MainFrame.h
  MainFrame.cpp
  MainFrameCommands.cpp
  MainFrameCameras.cpp
  MainFrameHelpers.h
  SdkFamily.cpp
  DiagnosticsReport.h
  DiagnosticsReport.cpp
  CameraTypesDialog.h
  CameraTypesDialog.cpp
  UdevDeviceWatcher.h
  UdevDeviceWatcher.cpp)
