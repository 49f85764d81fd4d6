#include "platform/com/RegisterServerCommand.h"

#include "platform/Module.h"
#include "platform/com/ServerExports.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tarsel::com {

namespace {

std::string hresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

} // namespace

int runRegisterServerCommand(const std::vector<std::string>& arguments, std::ostream& out,
                             std::ostream& err) {
  bool unregister = false;
  std::string library;
  for (const std::string& argument : arguments) {
    if (argument == "-u" && !unregister) {
      unregister = true;
    } else if (library.empty() && !argument.empty() && argument[0] != '-') {
      library = argument;
    } else {
      library.clear();
      break;
    }
  }
  if (library.empty()) {
    err << "usage: tarselregsvr [-u] LIBRARY\n";
    return 1;
  }
  std::error_code error;
  const std::string path = std::filesystem::absolute(library, error).lexically_normal().string();
  platform::Module module;
  if (error || !module.load(path)) {
    err << "Cannot load " << library << ": " << module.errorText() << "\n";
    return 3;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  const auto run = module.function<DllRegisterServerFunction>(entry);
  if (run == nullptr) {
    err << library << " does not export " << entry << "\n";
    return 4;
  }
  const HRESULT hr = run();
  if (FAILED(hr)) {
    err << entry << " in " << path << " failed with " << hresultText(hr) << "\n";
    return 5;
  }
  out << entry << " in " << path << " succeeded.\n";
  return 0;
}

} // namespace tarsel::com
