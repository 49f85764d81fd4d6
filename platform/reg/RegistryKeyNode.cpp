#include "platform/reg/RegistryKeyNode.h"

#include "platform/reg/RegistryNames.h"

#include <algorithm>

namespace tarsel::reg {

RegistryKeyNode::RegistryKeyNode(std::string name) : m_name(std::move(name)), m_folded(foldName(m_name)) {}

RegistryKeyNode::RegistryKeyNode(const RegistryKeyNode& other)
    : m_name(other.m_name), m_folded(other.m_folded), m_values(other.m_values),
      m_valueIndex(other.m_valueIndex), m_keptLines(other.m_keptLines) {
  m_subKeys.reserve(other.m_subKeys.size());
  for (const auto& sub : other.m_subKeys)
    m_subKeys.push_back(std::make_unique<RegistryKeyNode>(*sub));
}

RegistryKeyNode& RegistryKeyNode::operator=(const RegistryKeyNode& other) {
  if (this != &other) {
    RegistryKeyNode copy(other);
    *this = std::move(copy);
  }
  return *this;
}

RegistryKeyNode::~RegistryKeyNode() = default;

const RegistryValue* RegistryKeyNode::findValue(std::string_view name) const {
  const auto it = m_valueIndex.find(foldName(name));
  return it == m_valueIndex.end() ? nullptr : &m_values[it->second];
}

void RegistryKeyNode::setValue(std::string_view name, DWORD type, std::string data) {
  std::string folded = foldName(name);
  const auto it = m_valueIndex.find(folded);
  if (it != m_valueIndex.end()) {
    RegistryValue& value = m_values[it->second];
    value.type = type;
    value.data = std::move(data);
    return;
  }
  m_values.push_back(RegistryValue{std::string(name), type, std::move(data)});
  m_valueIndex.emplace(std::move(folded), m_values.size() - 1);
}

bool RegistryKeyNode::removeValue(std::string_view name) {
  const auto it = m_valueIndex.find(foldName(name));
  if (it == m_valueIndex.end())
    return false;
  const std::size_t index = it->second;
  m_values.erase(m_values.begin() + static_cast<std::ptrdiff_t>(index));
  m_valueIndex.erase(it);
  for (auto& entry : m_valueIndex) {
    if (entry.second > index)
      --entry.second;
  }
  return true;
}

void RegistryKeyNode::clearValues() {
  m_values.clear();
  m_valueIndex.clear();
}

std::size_t RegistryKeyNode::lowerBound(const std::string& folded) const {
  const auto it = std::lower_bound(m_subKeys.begin(), m_subKeys.end(), folded,
                                   [](const std::unique_ptr<RegistryKeyNode>& node, const std::string& key) {
                                     return node->m_folded < key;
                                   });
  return static_cast<std::size_t>(it - m_subKeys.begin());
}

const RegistryKeyNode* RegistryKeyNode::findSubKey(std::string_view name) const {
  const std::string folded = foldName(name);
  const std::size_t at = lowerBound(folded);
  if (at < m_subKeys.size() && m_subKeys[at]->m_folded == folded)
    return m_subKeys[at].get();
  return nullptr;
}

RegistryKeyNode* RegistryKeyNode::findSubKey(std::string_view name) {
  return const_cast<RegistryKeyNode*>(static_cast<const RegistryKeyNode*>(this)->findSubKey(name));
}

RegistryKeyNode& RegistryKeyNode::ensureSubKey(std::string_view name, bool* created) {
  const std::string folded = foldName(name);
  const std::size_t at = lowerBound(folded);
  if (at < m_subKeys.size() && m_subKeys[at]->m_folded == folded) {
    if (created)
      *created = false;
    return *m_subKeys[at];
  }
  if (created)
    *created = true;
  auto it = m_subKeys.insert(m_subKeys.begin() + static_cast<std::ptrdiff_t>(at),
                             std::make_unique<RegistryKeyNode>(std::string(name)));
  return **it;
}

bool RegistryKeyNode::removeSubKey(std::string_view name) {
  const std::string folded = foldName(name);
  const std::size_t at = lowerBound(folded);
  if (at >= m_subKeys.size() || m_subKeys[at]->m_folded != folded)
    return false;
  m_subKeys.erase(m_subKeys.begin() + static_cast<std::ptrdiff_t>(at));
  return true;
}

void RegistryKeyNode::clearSubKeys() {
  m_subKeys.clear();
}

const RegistryKeyNode* RegistryKeyNode::resolve(const std::vector<std::string>& path) const {
  const RegistryKeyNode* node = this;
  for (const std::string& part : path) {
    node = node->findSubKey(part);
    if (!node)
      return nullptr;
  }
  return node;
}

RegistryKeyNode* RegistryKeyNode::resolve(const std::vector<std::string>& path) {
  return const_cast<RegistryKeyNode*>(static_cast<const RegistryKeyNode*>(this)->resolve(path));
}

} // namespace tarsel::reg
