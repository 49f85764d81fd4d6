// A tiny loadable library for the module wrapper's tests.

#define TEST_MODULE_EXPORT __attribute__((visibility("default")))

extern "C" {

TEST_MODULE_EXPORT int tarselTestModuleAdd(int a, int b) {
  return a + b;
}

TEST_MODULE_EXPORT int tarselTestModuleCounter = 41;
}
