// Test helper: loads the camera-link library given as argument the way the
// program does, lets it enumerate the cameras of $VESK_DEVICE_DIR, and
// prints "count N" and the model name of each camera it accepted, one a
// line. Exit 2 when the library does not load, 3 when a call throws.
#include <cstdio>
#include <exception>

#include <dlfcn.h>

int main(int argc, char** argv) {
  if (argc != 2)
    return 1;
  void* library = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library)
    return 2;
  using Count = int();
  using Name = const char*(int);
  auto* initControl = reinterpret_cast<Count*>(::dlsym(library, "InitControl"));
  auto* cameraCount = reinterpret_cast<Count*>(::dlsym(library, "GetPropCameraCount"));
  auto* cameraName = reinterpret_cast<Name*>(::dlsym(library, "GetPropConnectCamera"));
  if (!initControl || !cameraCount || !cameraName)
    return 2;
  try {
    initControl();
    const int count = cameraCount();
    std::printf("count %d\n", count);
    for (int i = 0; i < count; ++i)
      std::printf("%s\n", cameraName(i));
  } catch (const std::exception& error) {
    std::printf("error %s\n", error.what());
    return 3;
  }
  return 0;
}
