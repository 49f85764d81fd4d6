# Tests of the JPEG image class.
