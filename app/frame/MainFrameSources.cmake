# The main frame, its camera-family list, device watcher and preview window.
list(APPEND TARSEL_FRAME_SOURCES
  MainFrame.h
  MainFrame.cpp
  MainFrameCommands.cpp
  MainFrameCameras.cpp
  MainFrameHelpers.h
  PreviewWnd.h
  PreviewWnd.cpp
  PreviewClosedEvent.h
  SdkFamily.cpp
  DiagnosticsReport.h
  DiagnosticsReport.cpp
  CameraTypesDialog.h
  CameraTypesDialog.cpp
  UdevDeviceWatcher.h
  UdevDeviceWatcher.cpp)
