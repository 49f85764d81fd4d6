# Tests of the JPEG image class; jpegtran, djpeg and /usr/bin/python3 with PIL
# make and check the pictures.
tarsel_test(jpeg_image_tests
  OWN_MAIN
  SOURCES
    PicturesTestMain.cpp
    JPEGImageTest.cpp
  LIBS TarselPictures Qt6::Gui)
