#include "platform/com/ClassRegistry.h"

#include "platform/AsciiCase.h"
#include "platform/PrivateProfile.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace tarsel::com {

namespace {

namespace fs = std::filesystem;

constexpr const char* kClassSection = "Class";
constexpr const char* kTypeLibSection = "TypeLib";
constexpr const char* kSystemFolder = "/usr/lib/tarsel/com";

std::string perUserFolder() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/')
    return std::string(data) + "/Tarsel/com";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/share/Tarsel/com";
}

std::vector<std::string> testFolders() {
  std::vector<std::string> out;
  const char* path = std::getenv("TARSEL_COM_PATH");
  if (path == nullptr)
    return out;
  std::string_view rest(path);
  while (!rest.empty()) {
    const auto colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    if (!folder.empty())
      out.emplace_back(folder);
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  return out;
}

std::string classFileName(const CLSID& clsid) {
  return StringFromGUID(clsid) + ".class";
}

std::string typeLibFileName(const GUID& libid, std::string_view version) {
  return StringFromGUID(libid) + "-" + std::string(version) + ".typelib";
}

constexpr std::size_t kMaxValue = 4095;

// A record's value, cut to the registry's 4 KiB as it always was.
std::string readValue(const platform::ProfileSnapshot& record, const char* section, const char* key) {
  std::string value = record.value(section, key);
  if (value.size() > kMaxValue)
    value.resize(kMaxValue);
  return value;
}

long readNumber(const platform::ProfileSnapshot& record, const char* section, const char* key) {
  const std::string text = readValue(record, section, key);
  long value = 0;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* first = text.data() + (hex ? 2 : 0);
  std::from_chars(first, text.data() + text.size(), value, hex ? 16 : 10);
  return value;
}

// The record as one version of its file holds it, read once.
ClassRecord readClass(const std::string& file, const CLSID& clsid) {
  const platform::ProfileSnapshot record(file.c_str());
  ClassRecord r;
  r.clsid = clsid;
  r.name = readValue(record, kClassSection, "Name");
  r.progId = readValue(record, kClassSection, "ProgID");
  r.library = readValue(record, kClassSection, "Library");
  r.threadingModel = readValue(record, kClassSection, "ThreadingModel");
  r.miscStatus = static_cast<DWORD>(readNumber(record, kClassSection, "MiscStatus"));
  r.control = readNumber(record, kClassSection, "Control") != 0;
  r.insertable = readNumber(record, kClassSection, "Insertable") != 0;
  r.toolboxBitmap = static_cast<int>(readNumber(record, kClassSection, "ToolboxBitmap"));
  r.typeLib = GUIDFromString(readValue(record, kClassSection, "TypeLib")).value_or(GUID_NULL);
  r.version = readValue(record, kClassSection, "Version");
  return r;
}

bool fileExists(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

// The lines of a section as WritePrivateProfileSectionA takes them.
std::string sectionLines(const std::vector<std::pair<const char*, std::string>>& entries) {
  std::string lines;
  for (const auto& [key, value] : entries) {
    lines += key;
    lines += '=';
    lines += value;
    lines += '\0';
  }
  lines += '\0';
  return lines;
}

HRESULT writeRecord(const std::string& fileName, const char* section, const std::string& lines) {
  const std::string folder = registrationFolder();
  std::error_code error;
  fs::create_directories(folder, error);
  if (error)
    return HRESULT_FROM_WIN32(Win32FromErrno(error.value()));
  const std::string file = folder + "/" + fileName;
  // A record is replaced as a whole, never merged with what stood there: it
  // is written afresh under a name of its own and renamed over the old one,
  // so a reader, and a write that fails, leaves the old or the new record.
  const std::string temporary = file + "." + std::to_string(::getpid()) + ".new";
  ::unlink(temporary.c_str());
  const bool written = WritePrivateProfileSectionA(section, lines.c_str(), temporary.c_str()) != FALSE;
  const DWORD writeError = written ? ERROR_SUCCESS : GetLastError();
  ::unlink((temporary + ".lock").c_str());
  if (!written) {
    ::unlink(temporary.c_str());
    return HRESULT_FROM_WIN32(writeError);
  }
  if (::rename(temporary.c_str(), file.c_str()) != 0) {
    const HRESULT result = HRESULT_FROM_WIN32(SetLastErrorFromErrno());
    ::unlink(temporary.c_str());
    return result;
  }
  return S_OK;
}

HRESULT removeRecord(const std::string& fileName) {
  const std::string file = registrationFolder() + "/" + fileName;
  if (::unlink(file.c_str()) != 0 && errno != ENOENT)
    return HRESULT_FROM_WIN32(SetLastErrorFromErrno());
  return S_OK;
}

std::string hexText(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

} // namespace

std::vector<std::string> classSearchPath() {
  std::vector<std::string> folders = testFolders();
  folders.push_back(perUserFolder());
  folders.emplace_back(kSystemFolder);
  return folders;
}

std::string registrationFolder() {
  const std::vector<std::string> tests = testFolders();
  return tests.empty() ? perUserFolder() : tests.front();
}

std::optional<ClassRecord> findClass(const CLSID& clsid) {
  for (const std::string& folder : classSearchPath()) {
    const std::string file = folder + "/" + classFileName(clsid);
    if (fileExists(file))
      return readClass(file, clsid);
  }
  return std::nullopt;
}

std::optional<ClassRecord> findClassByProgId(std::string_view progId) {
  if (progId.empty())
    return std::nullopt;
  for (const std::string& folder : classSearchPath()) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      const fs::path& path = it->path();
      if (path.extension() != ".class")
        continue;
      const auto clsid = GUIDFromString(path.stem().string());
      if (!clsid)
        continue;
      // The identifier compared is the one of the record given back.
      ClassRecord record = readClass(path.string(), *clsid);
      if (platform::equalsIgnoringAsciiCase(record.progId, progId))
        return record;
    }
  }
  return std::nullopt;
}

std::optional<TypeLibRecord> findTypeLib(const GUID& libid, std::string_view version) {
  for (const std::string& folder : classSearchPath()) {
    const std::string file = folder + "/" + typeLibFileName(libid, version);
    if (!fileExists(file))
      continue;
    const platform::ProfileSnapshot record(file.c_str());
    TypeLibRecord r;
    r.libid = libid;
    r.name = readValue(record, kTypeLibSection, "Name");
    r.version = readValue(record, kTypeLibSection, "Version");
    r.library = readValue(record, kTypeLibSection, "Library");
    return r;
  }
  return std::nullopt;
}

HRESULT registerClass(const ClassRecord& r) {
  return writeRecord(
      classFileName(r.clsid), kClassSection,
      sectionLines({{"Name", r.name},
                    {"ProgID", r.progId},
                    {"Library", r.library},
                    {"ThreadingModel", r.threadingModel},
                    {"MiscStatus", hexText(r.miscStatus)},
                    {"Control", r.control ? "1" : "0"},
                    {"Insertable", r.insertable ? "1" : "0"},
                    {"ToolboxBitmap", std::to_string(r.toolboxBitmap)},
                    {"TypeLib", r.typeLib == GUID_NULL ? std::string() : StringFromGUID(r.typeLib)},
                    {"Version", r.version}}));
}

HRESULT registerTypeLib(const TypeLibRecord& r) {
  return writeRecord(typeLibFileName(r.libid, r.version), kTypeLibSection,
                     sectionLines({{"Name", r.name}, {"Version", r.version}, {"Library", r.library}}));
}

HRESULT unregisterClass(const CLSID& clsid) {
  return removeRecord(classFileName(clsid));
}

HRESULT unregisterTypeLib(const GUID& libid, std::string_view version) {
  return removeRecord(typeLibFileName(libid, version));
}

} // namespace tarsel::com
