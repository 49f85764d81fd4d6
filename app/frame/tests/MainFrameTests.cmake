# Tests of the main frame: discovery and refresh over the test camera family,
# device notifications from a driven watcher and from a watched folder, the
# all-cameras take, the live preview, the remote-control receiver, command-line capture
# profiles, the family stand-ins and the Options sheet.
tarsel_test(mainframe_tests
  SOURCES
    MainFrameTestMain.cpp
    ${PROJECT_SOURCE_DIR}/app/host/tests/QtThreadSanitizerSuppressions.cpp
    MainFrameTestSupport.cpp
    MainFrameDiscoveryTest.cpp
    MainFrameStatusBarTest.cpp
    MainFrameDevicesTest.cpp
    MainFrameTakeTest.cpp
    MainFramePreviewTest.cpp
    MainFrameProfilesTest.cpp
    MainFrameFamiliesTest.cpp
    MainFrameDiagnosticsTest.cpp
    MainFrameOptionsTest.cpp
    MainFrameTimeLapseTest.cpp
    DeviceFolderWatcherTest.cpp
  LIBS TarselFrame_obj TarselTestCameras TarselRemoteDatagram TarselQtTestSupport Qt6::Widgets
  LABELS frame
  OWN_MAIN)
# The camera-type dialog's test has a page widget of its own.
set_target_properties(mainframe_tests PROPERTIES AUTOMOC ON)
# The Options sheet's test shows the savers' pages of the build.
add_dependencies(mainframe_tests TarselSFile TarselSFtp)

# The main frame with the product's families against vesk-simd's camera-link
# cameras and the camera-link library of the build, saving through the file
# saver and the FTP saver (to the loopback FTP server) of the build.
tarsel_test(mainframe_vesk_tests
  SOURCES
    MainFrameTestMain.cpp
    ${PROJECT_SOURCE_DIR}/app/host/tests/QtThreadSanitizerSuppressions.cpp
    MainFrameTestSupport.cpp
    MainFrameVeskTest.cpp
    VeskCapturePropertiesTest.cpp
    VeskCameraSettingsTest.cpp
  LIBS TarselFrame_obj TarselTestCameras TarselQtTestSupport TarselFtpTestSupport Qt6::Widgets Qt6::Test
  LABELS frame
  OWN_MAIN)
add_dependencies(mainframe_vesk_tests vesk-simd VeskDLL TarselSFile TarselSFtp)

# The capability test offered by the window of a camera-link camera whose
# model has no file, against vesk-simd's XC-500 and the camera-link library
# of the build.
find_package(Qt6 REQUIRED COMPONENTS Test)
tarsel_test(captest_vesk_tests
  SOURCES
    MainFrameTestMain.cpp
    ${PROJECT_SOURCE_DIR}/app/host/tests/QtThreadSanitizerSuppressions.cpp
    MainFrameTestSupport.cpp
    CapabilityTestDlgVeskTest.cpp
  LIBS TarselFrame_obj TarselTestCameras TarselQtTestSupport Qt6::Widgets Qt6::Test
  LABELS frame
  OWN_MAIN)
add_dependencies(captest_vesk_tests vesk-simd VeskDLL)

# The main frame with the ActiveX family's camera on the camera simulator's
# USB stand-in (behind a cable the test can pull), through the control of the
# build and the remote-control program of the build.
tarsel_test(mainframe_lunet_tests
  SOURCES
    MainFrameTestMain.cpp
    ${PROJECT_SOURCE_DIR}/app/host/tests/QtThreadSanitizerSuppressions.cpp
    MainFrameTestSupport.cpp
    MainFrameLunetTest.cpp
    UsbCable.cpp
  LIBS TarselFrame_obj TarselTestCameras TarselQtTestSupport vantic_sim_process Qt6::Widgets
  LABELS frame
  OWN_MAIN)
add_dependencies(mainframe_lunet_tests Lunet tarselregsvr TarselRemote)

# The ActiveX camera's focus samples from its settings sheet against the
# camera simulator's USB camera, reaching its window's strip.
tarsel_test(mainframe_lunet_dialogs_tests
  SOURCES
    MainFrameTestMain.cpp
    ${PROJECT_SOURCE_DIR}/app/host/tests/QtThreadSanitizerSuppressions.cpp
    MainFrameTestSupport.cpp
    MainFrameLunetDialogsTest.cpp
  LIBS TarselFrame_obj TarselTestCameras TarselQtTestSupport vantic_sim_process Qt6::Widgets
  LABELS frame
  OWN_MAIN)
add_dependencies(mainframe_lunet_dialogs_tests Lunet tarselregsvr)

# The main frame with the Canon family's camera on the SDK stand-in of the
# build, beside vesk-simd's camera-link cameras.
tarsel_test(mainframe_canon_tests
  SOURCES
    MainFrameTestMain.cpp
    ${PROJECT_SOURCE_DIR}/app/host/tests/QtThreadSanitizerSuppressions.cpp
    MainFrameTestSupport.cpp
    MainFrameCanonTest.cpp
  LIBS TarselFrame_obj TarselTestCameras TarselQtTestSupport Qt6::Widgets ${CMAKE_DL_LIBS}
  LABELS frame
  OWN_MAIN)
add_dependencies(mainframe_canon_tests CDSDK vesk-simd VeskDLL TarselRemote)

# The main frame with cameras of all three families at once over their
# simulators, saving through the file saver of the build.
tarsel_test(mainframe_allfamilies_tests
  SOURCES
    MainFrameTestMain.cpp
    ${PROJECT_SOURCE_DIR}/app/host/tests/QtThreadSanitizerSuppressions.cpp
    MainFrameTestSupport.cpp
    MainFrameAllFamiliesTest.cpp
  LIBS TarselFrame_obj TarselTestCameras TarselQtTestSupport vantic_sim_process Qt6::Widgets ${CMAKE_DL_LIBS}
  LABELS frame
  OWN_MAIN)
add_dependencies(mainframe_allfamilies_tests CDSDK vesk-simd VeskDLL Lunet tarselregsvr TarselSFile)

# The Canon family's dialogs in the main frame on the SDK stand-in of the
# build: the camera choice, the camera-type dialog's Canon page, the
# capability test offered for a model without a file, the capture properties,
# and the offer not made again when one of vesk-simd's cameras leaves.
tarsel_test(mainframe_canon_dialogs_tests
  SOURCES
    MainFrameTestMain.cpp
    ${PROJECT_SOURCE_DIR}/app/host/tests/QtThreadSanitizerSuppressions.cpp
    MainFrameTestSupport.cpp
    MainFrameCanonDialogsTest.cpp
  LIBS TarselFrame_obj TarselTestCameras TarselQtTestSupport Qt6::Widgets ${CMAKE_DL_LIBS}
  LABELS frame
  OWN_MAIN)
add_dependencies(mainframe_canon_dialogs_tests CDSDK vesk-simd VeskDLL)
