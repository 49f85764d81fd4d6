// libFuzzer entry of the TIFF/EXIF reader and writer: parse any bytes, read
// every tag getter and the display texts, rewrite with each rotation and parse the result again.
// Errors of the codec are expected; anything else (a crash, a sanitizer
// report, another exception) is a finding.
#include "app/pictures/PictureInfoExif.h"
#include "app/pictures/TiffBuffer.h"
#include "env/BrantelTakeError.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    CTiffBuffer tiff(data, size);
    tiff.Parse();
    for (std::size_t i = 0; i < tiff.DirectoryCount(); ++i) {
      const CTiffDirectory& directory = tiff.Directory(i);
      for (std::uint32_t e = 0; e < directory.Count(); ++e) {
        const CTiffEntry entry = directory.Entry(e);
        try {
          entry.Value();
          if (entry.Count() > 0)
            entry.Element16(entry.Count() - 1);
          if (entry.Type() == CTiffEntry::TypeAscii)
            entry.Text();
        } catch (const _brantel_take_error&) {
        }
      }
    }
    // The display texts catch what they cannot read.
    try {
      CPictureInfoExif info(&tiff);
    } catch (const _brantel_take_error&) {
      std::abort();
    }
    tiff.GetSoftware();
    tiff.GetDateTimeOriginal();
    tiff.GetOrientation();
    tiff.GetExposureTime();
    tiff.GetFocalLength();
    tiff.HasStripLayout();
    tiff.IsSupportedLayout();
    for (std::int32_t rotation : {0, 1, 3}) {
      try {
        const std::vector<BYTE> out = tiff.Serialize(rotation);
        if (out.size() > tiff.GetSerializedSize(rotation))
          std::abort();
        CTiffBuffer again(out.data(), out.size());
        again.Parse();
      } catch (const _brantel_take_error&) {
      }
    }
  } catch (const _brantel_take_error&) {
  }
  return 0;
}
