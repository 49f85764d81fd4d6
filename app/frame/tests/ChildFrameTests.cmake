# Tests of the camera window.
tarsel_test(childframe_tests
  SOURCES
    ChildFrameTestMain.cpp
    ${PROJECT_SOURCE_DIR}/app/host/tests/QtThreadSanitizerSuppressions.cpp
    FakeChildFrameSite.cpp
    ChildFrameBatteryTest.cpp
    ChildFrameTakeTest.cpp
    ChildFrameCommandTest.cpp
    ChildFrameViewTest.cpp
    ChildFrameFocusStripTest.cpp
  LIBS TarselFrame_obj TarselTestCameras TarselQtTestSupport Qt6::Widgets
  LABELS frame
  OWN_MAIN)
