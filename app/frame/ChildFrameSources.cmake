# The camera window and what only it uses.
list(APPEND TARSEL_FRAME_SOURCES
  ChildFrame.h
  ChildFrame.cpp
  ChildFrameTakes.cpp
  ChildFrameCommands.cpp
  ChildFrameInternals.h
  ChildView.h
  ChildView.cpp
  FocusStrip.h
  FocusStrip.cpp
  BatteryStatus.h
  BatteryStatus.cpp
  OpenCameraSettingsEvent.h)
