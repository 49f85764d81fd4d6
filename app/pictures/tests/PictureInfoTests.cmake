# Tests of the Exif display texts and the picture information panels, on
# the simulators' pictures.
tarsel_test(picture_info_tests
  ONE_PROCESS_SUITES PicInfoDisplay
  OWN_MAIN
  SOURCES
    PicturesTestMain.cpp
    PictureInfoExifTest.cpp
    PicInfoDisplayTest.cpp
  LIBS TarselPictures VeskSimEngine CdSimCore Qt6::Gui)

if(TARSEL_TEST_LOCALES)
  set_property(TEST picture_info_tests.PictureInfoExif.NumbersKeepTheirPointUnderACommaLocale APPEND
               PROPERTY ENVIRONMENT "TARSEL_TEST_LOCPATH=${TARSEL_TEST_LOCALES}")
endif()
