// Reports how long our lossless rotation and our scaled decode take on a
// picture, next to jpegtran and djpeg doing the same work on the same file.
// The tools' times include starting their process, so for a fair figure use
// a picture of camera size (several megapixels).
//
// Usage: jpeg_benchmark picture.jpg [rounds]
#include "app/pictures/JPEGImage.h"

#include "platform/testsupport/TestSupport.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <system_error>

namespace {

double secondsFor(int rounds, const std::function<bool()>& work) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i)
    if (!work())
      return -1;
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / rounds;
}

void report(const char* what, double ours, double tool) {
  if (ours < 0 || tool < 0) {
    std::printf("%-22s failed\n", what);
    return;
  }
  std::printf("%-22s ours %8.2f ms   tool %8.2f ms   ours/tool %5.2f\n", what, ours * 1000, tool * 1000,
              tool > 0 ? ours / tool : 0.0);
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s picture.jpg [rounds]\n", argv[0]);
    return 2;
  }
  const std::string file = argv[1];
  int rounds = 10;
  if (argc > 2) {
    const std::string text = argv[2];
    if (std::from_chars(text.data(), text.data() + text.size(), rounds).ec != std::errc() || rounds < 1) {
      std::fprintf(stderr, "rounds must be a positive number\n");
      return 2;
    }
  }
  const std::string bytes = tarsel::test::readFile(file);
  if (bytes.empty()) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return 1;
  }

  const double ourRotation = secondsFor(rounds, [&] {
    CJPEGImage image;
    image.SetData(bytes.data(), DWORD(bytes.size()));
    image.Rotate(1, false);
    return image.GetDecodeError() == nullptr;
  });
  const double toolRotation = secondsFor(rounds, [&] {
    return tarsel::test::runProgram(
               {"jpegtran", "-rotate", "90", "-copy", "all", "-outfile", "/dev/null", file})
               .exitCode == 0;
  });
  report("rotate 90", ourRotation, toolRotation);

  for (const DWORD denominator : {1u, 2u, 4u, 8u}) {
    const double ours = secondsFor(rounds, [&] {
      CJPEGImage image;
      image.SetData(bytes.data(), DWORD(bytes.size()));
      image.Decode(1, denominator);
      return image.HasBitmap();
    });
    const std::string scale = "1/" + std::to_string(denominator);
    const double tool = secondsFor(rounds, [&] {
      return tarsel::test::runProgram({"djpeg", "-scale", scale, "-bmp", "-outfile", "/dev/null", file})
                 .exitCode == 0;
    });
    report(("decode " + scale).c_str(), ours, tool);
  }
  return 0;
}
