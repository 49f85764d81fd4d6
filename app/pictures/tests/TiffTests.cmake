# Tests of the TIFF/EXIF codec, the TIFF and raw images and the fraction parser.
tarsel_test(tiff_image_tests
  ONE_PROCESS_SUITES TiffCodec
  OWN_MAIN
  SOURCES
    PicturesTestMain.cpp
    TiffCodecTest.cpp
    TiffImageTest.cpp
    FractionValueTest.cpp
  LIBS TarselPictures Qt6::Gui)

# The comma-locale case makes its own German locale when the build has none.
if(TARSEL_TEST_LOCALES)
  set_property(TEST tiff_image_tests.FractionValue.DecimalPointHoldsUnderACommaLocale APPEND
               PROPERTY ENVIRONMENT "TARSEL_TEST_LOCPATH=${TARSEL_TEST_LOCALES}")
endif()

# Fuzz target of the TIFF/EXIF reader and writer.
tarsel_fuzzer(tiff_directory_fuzzer
  SOURCES TiffDirectoryFuzzer.cpp
  CORPUS corpus/tiff_directory
  LIBS TarselPictures)

# Fuzz target of the TIFF picture decoder (1 KiB inputs: a picture of up to
# about 300 pixels with its directory, decoded at four scales).
tarsel_fuzzer(tiff_image_fuzzer
  SOURCES TiffImageFuzzer.cpp
  CORPUS corpus/tiff_image
  LIBS TarselPictures
  OPTIONS -max_len=1024)
