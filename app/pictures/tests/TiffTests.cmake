# Tests of the TIFF/EXIF codec, the TIFF and raw images and the fraction parser.
tarsel_test(tiff_image_tests
  OWN_MAIN
  SOURCES
    PicturesTestMain.cpp
    TiffCodecTest.cpp
    TiffImageTest.cpp
    FractionValueTest.cpp
  LIBS TarselPictures Qt6::Gui)

# Fuzz target of the TIFF/EXIF reader and writer.
tarsel_fuzzer(tiff_directory_fuzzer
  SOURCES TiffDirectoryFuzzer.cpp
  CORPUS corpus/tiff_directory
  LIBS TarselPictures)
