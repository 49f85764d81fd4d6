# Tests of the TIFF/EXIF codec, the TIFF and raw images and the fraction parser.
tarsel_test(tiff_image_tests
  OWN_MAIN
  SOURCES
    PicturesTestMain.cpp
    TiffCodecTest.cpp
    TiffImageTest.cpp
    FractionValueTest.cpp
  LIBS TarselPictures Qt6::Gui)

# A libFuzzer target of the TIFF/EXIF reader and writer, built only when
# asked for with clang: -DCMAKE_CXX_COMPILER=clang++ -DTARSEL_TIFF_FUZZER=ON.
if(TARSEL_TIFF_FUZZER AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_executable(tiff_directory_fuzzer TiffDirectoryFuzzer.cpp)
  target_compile_options(tiff_directory_fuzzer PRIVATE -fsanitize=fuzzer)
  target_link_options(tiff_directory_fuzzer PRIVATE -fsanitize=fuzzer)
  target_link_libraries(tiff_directory_fuzzer PRIVATE TarselPictures)
endif()
