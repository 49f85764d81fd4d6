// An installation library without any of the entries the program calls.
extern "C" __attribute__((visibility("default"))) int SomethingElse(void) {
  return 1;
}
