# Tests of the JPEG image class; cjpeg, jpegtran, djpeg and /usr/bin/python3
# with PIL make and check the pictures.
tarsel_test(jpeg_image_tests
  OWN_MAIN
  SOURCES
    PicturesTestMain.cpp
    JPEGImageTest.cpp
  LIBS TarselPictures Qt6::Gui)

# Not a test: times our rotation and scaled decode next to jpegtran and djpeg.
add_executable(jpeg_benchmark JpegBenchmark.cpp)
target_link_libraries(jpeg_benchmark PRIVATE TarselPictures tarsel_testsupport)
set_target_properties(jpeg_benchmark PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)

# Fuzz target of the JPEG input.
tarsel_fuzzer(jpeg_image_fuzzer
  SOURCES JpegImageFuzzer.cpp
  CORPUS corpus/jpeg_image
  LIBS TarselPictures)
