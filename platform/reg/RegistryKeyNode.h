// One key of a hive held in memory: its name as it was created, its values
// in the order they were first set, the lines of its file kept as they stood
// (RegistryKeptLine), and its sub-keys sorted by their folded
// names (so enumeration order is stable). Names compare case-insensitively.
// A tree is changed by one thread while it is built or modified and shared
// read-only once published; copying a node copies its whole subtree.
#pragma once

#include "hostapi/Win32Types.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarsel::reg {

struct RegistryValue {
  std::string name; // as first set
  DWORD type = 0;
  std::string data; // the bytes exactly as set
};

// A line of a hive file kept as it stood (a comment, or a line that did not
// parse), so a rewrite of the file does not lose it; it is written before the
// value at `beforeValue` of its key (after the last value when past the end).
struct RegistryKeptLine {
  std::size_t beforeValue = 0;
  std::string text;
};

class RegistryKeyNode {
public:
  explicit RegistryKeyNode(std::string name = {});
  RegistryKeyNode(const RegistryKeyNode& other);
  RegistryKeyNode& operator=(const RegistryKeyNode& other);
  RegistryKeyNode(RegistryKeyNode&&) noexcept = default;
  RegistryKeyNode& operator=(RegistryKeyNode&&) noexcept = default;
  ~RegistryKeyNode();

  const std::string& name() const { return m_name; }

  const std::vector<RegistryValue>& values() const { return m_values; }
  const RegistryValue* findValue(std::string_view name) const;
  // Replaces the data and type of an existing value (keeping its name and
  // place) or appends a new one.
  void setValue(std::string_view name, DWORD type, std::string data);
  bool removeValue(std::string_view name);
  void clearValues();

  const std::vector<RegistryKeptLine>& keptLines() const { return m_keptLines; }
  // Keeps `text` after the values set so far.
  void keepLine(std::string text) {
    m_keptLines.push_back(RegistryKeptLine{m_values.size(), std::move(text)});
  }

  std::size_t subKeyCount() const { return m_subKeys.size(); }
  const RegistryKeyNode& subKeyAt(std::size_t index) const { return *m_subKeys[index]; }
  const RegistryKeyNode* findSubKey(std::string_view name) const;
  RegistryKeyNode* findSubKey(std::string_view name);
  // The sub-key of that name, created when missing.
  RegistryKeyNode& ensureSubKey(std::string_view name, bool* created = nullptr);
  bool removeSubKey(std::string_view name);
  void clearSubKeys();

  // The key below this one along `path` (components compared
  // case-insensitively), or null when one is missing.
  const RegistryKeyNode* resolve(const std::vector<std::string>& path) const;
  RegistryKeyNode* resolve(const std::vector<std::string>& path);

private:
  std::size_t lowerBound(const std::string& folded) const;

  std::string m_name;
  std::string m_folded;
  std::vector<RegistryValue> m_values;
  std::unordered_map<std::string, std::size_t> m_valueIndex; // folded name -> index in m_values
  std::vector<RegistryKeptLine> m_keptLines;
  std::vector<std::unique_ptr<RegistryKeyNode>> m_subKeys; // sorted by m_folded
};

} // namespace tarsel::reg
