#include "platform/reg/RegistryCommand.h"

#include "platform/Win32Error.h"
#include "platform/reg/Registry.h"
#include "platform/reg/RegistryHive.h"
#include "platform/reg/RegistryNames.h"
#include "platform/reg/RegistryTextFormat.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <ostream>

namespace tarsel::reg {

namespace {

constexpr const char* kUsage =
    "usage: tarselreg [--machine] get KEY [NAME]\n"
    "       tarselreg [--machine] set KEY NAME TYPE VALUE...\n"
    "       tarselreg [--machine] delete KEY [NAME]\n"
    "       tarselreg [--machine] list KEY\n"
    "       tarselreg [--machine] export [KEY]\n"
    "KEY is a path below the hive's root, components separated by '\\'; an empty NAME is the\n"
    "key's default value. TYPE is sz, expand_sz, dword, qword, binary (hex bytes) or multi_sz\n"
    "(one VALUE per string). --machine works on the machine's hive instead of the user's.\n";

constexpr char kHexDigits[] = "0123456789abcdef";

int usage(std::ostream& err, const std::string& why) {
  if (!why.empty())
    err << "tarselreg: " << why << "\n";
  err << kUsage;
  return 2;
}

int failed(std::ostream& err, LONG code) {
  std::string text = SystemMessageText(static_cast<DWORD>(code)).value_or("Unknown Error");
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
    text.pop_back();
  char number[16];
  const auto end = std::to_chars(number, number + sizeof number, code).ptr;
  err << "tarselreg: error " << std::string_view(number, static_cast<std::size_t>(end - number)) << ": "
      << text << "\n";
  return 1;
}

template <typename T> std::string decimal(T value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string(buffer, end);
}

// Decimal, or hexadecimal after "0x"; the whole text must be the number.
template <typename T> std::optional<T> parseNumber(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  T value{};
  if (text.empty() || text.front() == '-' || text.front() == '+')
    return std::nullopt;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return value;
}

// Hex bytes, two digits each, optionally separated by ',', ' ' or ':'.
std::optional<std::string> parseHexBytes(std::string_view text) {
  std::string bytes;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ',' || text[i] == ' ' || text[i] == ':') {
      ++i;
      continue;
    }
    const int b = RegistryTextFormat::hexByteAt(text, i);
    if (b < 0)
      return std::nullopt;
    bytes += static_cast<char>(b);
    i += 2;
  }
  return bytes;
}

template <typename T> std::string littleEndian(T value) {
  std::string bytes;
  for (std::size_t i = 0; i < sizeof(T); ++i)
    bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

std::string hexText(const std::string& data) {
  std::string out;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0)
      out += ',';
    const auto b = static_cast<unsigned char>(data[i]);
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 0x0F];
  }
  return out;
}

// The value as `get` shows it: texts as they are (without their NUL),
// numbers in decimal, string lists one per line, anything else as hex bytes.
std::string showValue(DWORD type, const std::string& data) {
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::string text = data;
    if (!text.empty() && text.back() == '\0')
      text.pop_back();
    return text + "\n";
  }
  if (type == REG_DWORD && data.size() == 4) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
      v = v << 8 | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
    return decimal(v) + "\n";
  }
  if (type == REG_QWORD && data.size() == 8) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
      v = v << 8 | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
    return decimal(v) + "\n";
  }
  if (type == REG_MULTI_SZ) {
    std::string out;
    std::size_t at = 0;
    while (at < data.size()) {
      std::size_t end = data.find('\0', at);
      if (end == std::string::npos)
        end = data.size();
      if (end == at)
        break; // the empty string that ends the list
      out.append(data, at, end - at);
      out += '\n';
      at = end + 1;
    }
    return out;
  }
  return hexText(data) + "\n";
}

class Session {
public:
  Session(bool machine, std::ostream& out, std::ostream& err)
      : m_machine(machine), m_root(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER), m_out(out), m_err(err) {
  }

  int get(const std::string& key, const std::string& name) {
    HKEY handle = nullptr;
    LONG error = RegOpenKeyExA(m_root, key.c_str(), 0, KEY_QUERY_VALUE, &handle);
    if (error != ERROR_SUCCESS)
      return failed(m_err, error);
    std::string data;
    DWORD type = 0;
    // The value may grow between the size probe and the read.
    for (int attempt = 0; attempt < 8; ++attempt) {
      DWORD size = 0;
      error = RegQueryValueExA(handle, name.c_str(), nullptr, &type, nullptr, &size);
      if (error != ERROR_SUCCESS)
        break;
      data.assign(size, '\0');
      error =
          RegQueryValueExA(handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
      if (error == ERROR_SUCCESS) {
        data.resize(size);
        break;
      }
      if (error != ERROR_MORE_DATA)
        break;
    }
    RegCloseKey(handle);
    if (error != ERROR_SUCCESS)
      return failed(m_err, error);
    m_out << showValue(type, data);
    return 0;
  }

  int set(const std::string& key, const std::string& name, DWORD type, const std::string& data) {
    HKEY handle = nullptr;
    LONG error = RegCreateKeyExA(m_root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                 nullptr, &handle, nullptr);
    if (error != ERROR_SUCCESS)
      return failed(m_err, error);
    error = RegSetValueExA(handle, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size()));
    RegCloseKey(handle);
    return error == ERROR_SUCCESS ? 0 : failed(m_err, error);
  }

  int deleteValue(const std::string& key, const std::string& name) {
    HKEY handle = nullptr;
    LONG error = RegOpenKeyExA(m_root, key.c_str(), 0, KEY_SET_VALUE, &handle);
    if (error != ERROR_SUCCESS)
      return failed(m_err, error);
    error = RegDeleteValueA(handle, name.c_str());
    RegCloseKey(handle);
    return error == ERROR_SUCCESS ? 0 : failed(m_err, error);
  }

  int deleteKey(const std::string& key) {
    const LONG error = RegDeleteTreeA(m_root, key.c_str());
    return error == ERROR_SUCCESS ? 0 : failed(m_err, error);
  }

  int list(const std::string& key) {
    std::shared_ptr<const RegistryKeyNode> root;
    const RegistryKeyNode* node = nullptr;
    std::vector<std::string> names;
    if (const LONG error = find(key, root, node, names); error != ERROR_SUCCESS)
      return failed(m_err, error);
    for (std::size_t i = 0; i < node->subKeyCount(); ++i)
      m_out << RegistryTextFormat::keyComponent(node->subKeyAt(i).name()) << "\\\n";
    for (const RegistryValue& value : node->values())
      m_out << RegistryTextFormat::valueLine(value) << "\n";
    return 0;
  }

  int exportKey(const std::string& key) {
    std::shared_ptr<const RegistryKeyNode> root;
    const RegistryKeyNode* node = nullptr;
    std::vector<std::string> names;
    if (const LONG error = find(key, root, node, names); error != ERROR_SUCCESS)
      return failed(m_err, error);
    m_out << RegistryTextFormat::writeSubtree(*node, names);
    return 0;
  }

private:
  // The key in one snapshot of the hive, with its ancestors' names as stored.
  LONG find(const std::string& key, std::shared_ptr<const RegistryKeyNode>& root,
            const RegistryKeyNode*& node, std::vector<std::string>& names) {
    std::vector<std::string> parts;
    if (splitKeyPath(key, kMaxKeyDepth, parts) != ERROR_SUCCESS)
      return ERROR_INVALID_PARAMETER;
    const auto hive =
        RegistryHive::get(m_machine ? RegistryHive::Kind::LocalMachine : RegistryHive::Kind::CurrentUser);
    if (const LONG error = hive->snapshot(root); error != ERROR_SUCCESS)
      return error;
    node = root.get();
    for (const std::string& part : parts) {
      node = node->findSubKey(part);
      if (!node)
        return ERROR_FILE_NOT_FOUND;
      names.push_back(node->name());
    }
    return ERROR_SUCCESS;
  }

  bool m_machine;
  HKEY m_root;
  std::ostream& m_out;
  std::ostream& m_err;
};

} // namespace

int RegistryCommand::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::size_t at = 0;
  bool machine = false;
  if (at < args.size() && args[at] == "--machine") {
    machine = true;
    ++at;
  }
  if (at >= args.size())
    return usage(err, "");
  const std::string& command = args[at++];
  const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(at), args.end());
  Session session(machine, out, err);

  if (command == "get") {
    if (rest.empty() || rest.size() > 2)
      return usage(err, "get takes KEY and an optional NAME");
    return session.get(rest[0], rest.size() > 1 ? rest[1] : std::string());
  }
  if (command == "set") {
    if (rest.size() < 3)
      return usage(err, "set takes KEY NAME TYPE VALUE");
    const std::string& type = rest[2];
    const std::vector<std::string> values(rest.begin() + 3, rest.end());
    if (type == "multi_sz") {
      std::string data;
      for (const std::string& text : values) {
        if (text.empty())
          return usage(err, "a multi_sz string must not be empty");
        data += text;
        data += '\0';
      }
      data += '\0';
      return session.set(rest[0], rest[1], REG_MULTI_SZ, data);
    }
    if (values.size() != 1)
      return usage(err, "set takes exactly one VALUE for type " + type);
    const std::string& value = values[0];
    if (type == "sz" || type == "expand_sz")
      return session.set(rest[0], rest[1], type == "sz" ? REG_SZ : REG_EXPAND_SZ,
                         value + std::string(1, '\0'));
    if (type == "dword") {
      const auto number = parseNumber<std::uint32_t>(value);
      if (!number)
        return usage(err, "not a 32-bit number: " + value);
      return session.set(rest[0], rest[1], REG_DWORD, littleEndian(*number));
    }
    if (type == "qword") {
      const auto number = parseNumber<std::uint64_t>(value);
      if (!number)
        return usage(err, "not a 64-bit number: " + value);
      return session.set(rest[0], rest[1], REG_QWORD, littleEndian(*number));
    }
    if (type == "binary") {
      const auto bytes = parseHexBytes(value);
      if (!bytes)
        return usage(err, "not hex bytes: " + value);
      return session.set(rest[0], rest[1], REG_BINARY, *bytes);
    }
    return usage(err, "unknown type: " + type);
  }
  if (command == "delete") {
    if (rest.empty() || rest.size() > 2)
      return usage(err, "delete takes KEY and an optional NAME");
    if (rest.size() == 2)
      return session.deleteValue(rest[0], rest[1]);
    if (rest[0].empty())
      return usage(err, "delete needs a KEY below the hive's root");
    return session.deleteKey(rest[0]);
  }
  if (command == "list") {
    if (rest.size() != 1)
      return usage(err, "list takes KEY");
    return session.list(rest[0]);
  }
  if (command == "export") {
    if (rest.size() > 1)
      return usage(err, "export takes an optional KEY");
    return session.exportKey(rest.empty() ? std::string() : rest[0]);
  }
  return usage(err, "unknown command: " + command);
}

} // namespace tarsel::reg
