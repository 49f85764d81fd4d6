# Tests of the TIFF/EXIF codec, the TIFF and raw images and the fraction parser.
