# Tests of the JPEG image class; cjpeg, jpegtran, djpeg and /usr/bin/python3
# with PIL make and check the pictures.
tarsel_test(jpeg_image_tests
  OWN_MAIN
  SOURCES
    PicturesTestMain.cpp
    JPEGImageTest.cpp
  LIBS TarselPictures Qt6::Gui)

# Every case needs the same sample pictures; making them takes the better part
# of a second, so they are made once here (again when the script changes) and
# each case copies them. A case makes its own when these could not be made.
set(jpeg_samples ${CMAKE_CURRENT_BINARY_DIR}/jpeg_samples)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/jpeg_samples.py)
file(REMOVE_RECURSE ${jpeg_samples})
file(MAKE_DIRECTORY ${jpeg_samples})
execute_process(COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/jpeg_samples.py ${jpeg_samples}
                RESULT_VARIABLE jpeg_samples_result OUTPUT_QUIET ERROR_QUIET)
if(jpeg_samples_result EQUAL 0)
  target_compile_definitions(jpeg_image_tests PRIVATE TARSEL_JPEG_SAMPLES="${jpeg_samples}")
endif()

# Not a test: times our rotation and scaled decode next to jpegtran and djpeg.
add_executable(jpeg_benchmark JpegBenchmark.cpp)
target_link_libraries(jpeg_benchmark PRIVATE TarselPictures tarsel_testsupport)
set_target_properties(jpeg_benchmark PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)

# Fuzz target of the JPEG input (1 KiB inputs: enough for a small frame's
# tables and scans, each of them decoded at four scales).
tarsel_fuzzer(jpeg_image_fuzzer
  SOURCES JpegImageFuzzer.cpp
  CORPUS corpus/jpeg_image
  LIBS TarselPictures
  OPTIONS -max_len=1024)
