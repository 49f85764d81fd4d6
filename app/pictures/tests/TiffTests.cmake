# Tests of the TIFF/EXIF codec, the TIFF and raw images and the fraction parser.
tarsel_test(tiff_image_tests
  OWN_MAIN
  SOURCES
    PicturesTestMain.cpp
    TiffCodecTest.cpp
    TiffImageTest.cpp
    FractionValueTest.cpp
  LIBS TarselPictures Qt6::Gui)

# The comma-locale case needs a German locale; localedef takes seconds, so it is
# made once here (kept across configures) rather than by every test run. The
# case makes one itself when this one could not be made.
set(test_locales ${CMAKE_BINARY_DIR}/testlocales)
if(NOT EXISTS ${test_locales}/de_DE.UTF-8/LC_NUMERIC)
  find_program(LOCALEDEF localedef)
  if(LOCALEDEF)
    file(MAKE_DIRECTORY ${test_locales})
    execute_process(COMMAND ${LOCALEDEF} -i de_DE -f UTF-8 ${test_locales}/de_DE.UTF-8
                    RESULT_VARIABLE localedef_result OUTPUT_QUIET ERROR_QUIET)
  endif()
endif()
if(EXISTS ${test_locales}/de_DE.UTF-8/LC_NUMERIC)
  set_property(TEST tiff_image_tests.FractionValue.DecimalPointHoldsUnderACommaLocale APPEND
               PROPERTY ENVIRONMENT "TARSEL_TEST_LOCPATH=${test_locales}")
endif()

# Fuzz target of the TIFF/EXIF reader and writer.
tarsel_fuzzer(tiff_directory_fuzzer
  SOURCES TiffDirectoryFuzzer.cpp
  CORPUS corpus/tiff_directory
  LIBS TarselPictures)
