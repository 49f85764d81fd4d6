#include "platform/reg/Registry.h"

#include "platform/Win32Error.h"
#include "platform/reg/RegistryHandleTable.h"
#include "platform/reg/RegistryHive.h"
#include "platform/reg/RegistryKeyNode.h"
#include "platform/reg/RegistryNames.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

using namespace tarsel::reg;

namespace {

constexpr REGSAM kDelete = 0x00010000;
constexpr REGSAM kWriteIntent = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | kDelete;

using HandlePtr = std::shared_ptr<const RegistryKeyHandle>;

// Runs one call, so that no exception leaves a function with C linkage.
template <typename Body> LONG guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  } catch (...) {
    return ERROR_GEN_FAILURE;
  }
}

std::string_view nameOf(const char* name) {
  return name ? std::string_view(name) : std::string_view();
}

// The handle a call names and the sub-key path below its key.
struct Target {
  HandlePtr handle;
  std::vector<std::string> parts;
};

// Finds the handle, splits `subKey` (null: the handle's own key) and checks
// that the handle grants one of the rights in `anyOf` (none needed for 0),
// giving the errors in that order.
LONG findTarget(HKEY key, const char* subKey, REGSAM anyOf, Target& target) {
  target.handle = RegistryHandleTable::instance().find(key);
  if (!target.handle)
    return ERROR_INVALID_HANDLE;
  if (splitKeyPath(nameOf(subKey), kMaxKeyDepth - target.handle->path.size(), target.parts) != ERROR_SUCCESS)
    return ERROR_INVALID_PARAMETER;
  if (anyOf != 0 && !(target.handle->access & anyOf))
    return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

// The handle's key in the hive as it is now, for a call that only reads.
struct ReadView {
  HandlePtr handle;
  std::shared_ptr<const RegistryKeyNode> root;
  const RegistryKeyNode* key = nullptr;
};

LONG openForRead(HKEY key, REGSAM right, ReadView& view) {
  Target target;
  if (const LONG error = findTarget(key, nullptr, right, target); error != ERROR_SUCCESS)
    return error;
  view.handle = std::move(target.handle);
  if (const LONG error = view.handle->hive->snapshot(view.root); error != ERROR_SUCCESS)
    return error;
  view.key = view.root->resolve(view.handle->path);
  return view.key ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// Applies `change` to the handle's key in a fresh copy of the hive and
// writes the hive when the change altered it.
template <typename Change> LONG changeKey(const RegistryKeyHandle& handle, Change&& change) {
  return handle.hive->modify([&](RegistryKeyNode& root, bool& changed) -> LONG {
    RegistryKeyNode* node = root.resolve(handle.path);
    if (!node)
      return ERROR_KEY_DELETED;
    return change(root, *node, changed);
  });
}

// findTarget, then `change(target, root, node, changed)` on the target's key,
// for a call that has no checks of its own between the two.
template <typename Change> LONG changeTarget(HKEY key, const char* subKey, REGSAM anyOf, Change&& change) {
  Target target;
  if (const LONG error = findTarget(key, subKey, anyOf, target); error != ERROR_SUCCESS)
    return error;
  return changeKey(*target.handle, [&](RegistryKeyNode& root, RegistryKeyNode& node, bool& changed) {
    return change(target, root, node, changed);
  });
}

std::vector<std::string> joined(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::string> path(a);
  path.insert(path.end(), b.begin(), b.end());
  return path;
}

// A new handle for the target's key, with the rights `sam`.
HKEY addHandle(const Target& target, REGSAM sam) {
  return RegistryHandleTable::instance().add(
      RegistryKeyHandle{target.handle->hive, joined(target.handle->path, target.parts), sam});
}

void clearClass(char* className, DWORD* cchClass) {
  if (className && cchClass && *cchClass > 0)
    className[0] = '\0';
  if (cchClass)
    *cchClass = 0;
}

} // namespace

extern "C" {

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD /*options*/, REGSAM sam, HKEY* result) {
  return guarded([&]() -> LONG {
    if (!result)
      return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Target target;
    if (const LONG error = findTarget(key, subKey, 0, target); error != ERROR_SUCCESS)
      return error;
    const auto& [handle, parts] = target;
    if ((sam & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) && !handle->hive->canWrite())
      return ERROR_ACCESS_DENIED;
    std::shared_ptr<const RegistryKeyNode> root;
    if (const LONG error = handle->hive->snapshot(root); error != ERROR_SUCCESS)
      return error;
    const RegistryKeyNode* parent = root->resolve(handle->path);
    if (!parent)
      return ERROR_KEY_DELETED;
    if (!parent->resolve(parts))
      return ERROR_FILE_NOT_FOUND;
    *result = addHandle(target, sam);
    return ERROR_SUCCESS;
  });
}

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD /*reserved*/, char* /*className*/, DWORD options,
                     REGSAM sam, void* /*security*/, HKEY* result, DWORD* disposition) {
  return guarded([&]() -> LONG {
    if (!result)
      return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!subKey || options != REG_OPTION_NON_VOLATILE)
      return ERROR_INVALID_PARAMETER;
    Target target;
    if (const LONG error = findTarget(key, subKey, 0, target); error != ERROR_SUCCESS)
      return error;
    const auto& handle = target.handle;
    const auto& parts = target.parts;
    bool createdAny = false;
    const LONG error =
        changeKey(*handle, [&](RegistryKeyNode&, RegistryKeyNode& parent, bool& changed) -> LONG {
          if (parent.resolve(parts))
            return ERROR_SUCCESS;
          if (!(handle->access & KEY_CREATE_SUB_KEY))
            return ERROR_ACCESS_DENIED;
          RegistryKeyNode* node = &parent;
          for (const std::string& part : parts)
            node = &node->ensureSubKey(part);
          createdAny = true;
          changed = true;
          return ERROR_SUCCESS;
        });
    if (error != ERROR_SUCCESS)
      return error;
    *result = addHandle(target, sam);
    if (disposition)
      *disposition = createdAny ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  });
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* cbData) {
  return guarded([&]() -> LONG {
    if (reserved || (data && !cbData))
      return ERROR_INVALID_PARAMETER;
    ReadView view;
    const LONG error = openForRead(key, KEY_QUERY_VALUE, view);
    if (error != ERROR_SUCCESS)
      return error;
    const RegistryValue* value = view.key->findValue(nameOf(valueName));
    if (!value)
      return ERROR_FILE_NOT_FOUND;
    const auto size = static_cast<DWORD>(value->data.size());
    if (type)
      *type = value->type;
    if (!data) {
      if (cbData)
        *cbData = size;
      return ERROR_SUCCESS;
    }
    if (*cbData < size) {
      *cbData = size;
      return ERROR_MORE_DATA;
    }
    if (size > 0)
      std::memcpy(data, value->data.data(), size);
    *cbData = size;
    return ERROR_SUCCESS;
  });
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                    DWORD cbData) {
  return guarded([&]() -> LONG {
    Target target;
    if (const LONG error = findTarget(key, nullptr, KEY_SET_VALUE, target); error != ERROR_SUCCESS)
      return error;
    const std::string_view name = nameOf(valueName);
    if ((!data && cbData > 0) || name.size() > kMaxValueNameLength || cbData > kMaxValueSize)
      return ERROR_INVALID_PARAMETER;
    std::string bytes = data ? std::string(reinterpret_cast<const char*>(data), cbData) : std::string();
    return changeKey(*target.handle, [&](RegistryKeyNode&, RegistryKeyNode& node, bool& changed) -> LONG {
      const RegistryValue* existing = node.findValue(name);
      if (existing && existing->type == type && existing->data == bytes)
        return ERROR_SUCCESS;
      node.setValue(name, type, std::move(bytes));
      changed = true;
      return ERROR_SUCCESS;
    });
  });
}

LONG RegDeleteValueA(HKEY key, const char* valueName) {
  return guarded([&]() -> LONG {
    const auto removeValue = [&](Target&, RegistryKeyNode&, RegistryKeyNode& node, bool& changed) -> LONG {
      if (!node.removeValue(nameOf(valueName)))
        return ERROR_FILE_NOT_FOUND;
      changed = true;
      return ERROR_SUCCESS;
    };
    return changeTarget(key, nullptr, KEY_SET_VALUE, removeValue);
  });
}

LONG RegDeleteKeyA(HKEY key, const char* subKey) {
  return guarded([&]() -> LONG {
    if (!subKey)
      return ERROR_INVALID_PARAMETER;
    Target target;
    if (const LONG error = findTarget(key, subKey, kWriteIntent, target); error != ERROR_SUCCESS)
      return error;
    std::vector<std::string> path = joined(target.handle->path, target.parts);
    if (path.empty())
      return ERROR_ACCESS_DENIED; // the root of a hive stays
    const std::string leaf = path.back();
    path.pop_back();
    return changeKey(*target.handle, [&](RegistryKeyNode& root, RegistryKeyNode&, bool& changed) -> LONG {
      RegistryKeyNode* parent = root.resolve(path);
      const RegistryKeyNode* victim = parent ? parent->findSubKey(leaf) : nullptr;
      if (!victim)
        return ERROR_FILE_NOT_FOUND;
      if (victim->subKeyCount() > 0)
        return ERROR_ACCESS_DENIED;
      parent->removeSubKey(leaf);
      changed = true;
      return ERROR_SUCCESS;
    });
  });
}

LONG RegDeleteTreeA(HKEY key, const char* subKey) {
  return guarded([&]() -> LONG {
    const auto removeTree = [&](Target& target, RegistryKeyNode&, RegistryKeyNode& node,
                                bool& changed) -> LONG {
      std::vector<std::string>& parts = target.parts;
      if (parts.empty()) {
        changed = !node.values().empty() || node.subKeyCount() > 0;
        node.clearValues();
        node.clearSubKeys();
        return ERROR_SUCCESS;
      }
      const std::string leaf = parts.back();
      parts.pop_back();
      RegistryKeyNode* parent = node.resolve(parts);
      if (!parent || !parent->removeSubKey(leaf))
        return ERROR_FILE_NOT_FOUND;
      changed = true;
      return ERROR_SUCCESS;
    };
    return changeTarget(key, subKey, kWriteIntent, removeTree);
  });
}

LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* cchName, DWORD* reserved, char* className,
                   DWORD* cchClass, FILETIME* lastWriteTime) {
  return guarded([&]() -> LONG {
    if (!name || !cchName || reserved)
      return ERROR_INVALID_PARAMETER;
    ReadView view;
    const LONG error = openForRead(key, KEY_ENUMERATE_SUB_KEYS, view);
    if (error != ERROR_SUCCESS)
      return error;
    if (index >= view.key->subKeyCount())
      return ERROR_NO_MORE_ITEMS;
    const std::string& subName = view.key->subKeyAt(index).name();
    if (*cchName <= subName.size())
      return ERROR_MORE_DATA;
    std::memcpy(name, subName.c_str(), subName.size() + 1);
    *cchName = static_cast<DWORD>(subName.size());
    clearClass(className, cchClass);
    if (lastWriteTime)
      *lastWriteTime = FILETIME{};
    return ERROR_SUCCESS;
  });
}

LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* cchValueName, DWORD* reserved, DWORD* type,
                   BYTE* data, DWORD* cbData) {
  return guarded([&]() -> LONG {
    if (!valueName || !cchValueName || reserved || (data && !cbData))
      return ERROR_INVALID_PARAMETER;
    ReadView view;
    const LONG error = openForRead(key, KEY_QUERY_VALUE, view);
    if (error != ERROR_SUCCESS)
      return error;
    if (index >= view.key->values().size())
      return ERROR_NO_MORE_ITEMS;
    const RegistryValue& value = view.key->values()[index];
    if (*cchValueName <= value.name.size())
      return ERROR_MORE_DATA;
    std::memcpy(valueName, value.name.data(), value.name.size());
    valueName[value.name.size()] = '\0';
    *cchValueName = static_cast<DWORD>(value.name.size());
    if (type)
      *type = value.type;
    const auto size = static_cast<DWORD>(value.data.size());
    if (data) {
      if (*cbData < size) {
        *cbData = size;
        return ERROR_MORE_DATA;
      }
      if (size > 0)
        std::memcpy(data, value.data.data(), size);
    }
    if (cbData)
      *cbData = size;
    return ERROR_SUCCESS;
  });
}

LONG RegQueryInfoKeyA(HKEY key, char* className, DWORD* cchClass, DWORD* reserved, DWORD* subKeys,
                      DWORD* maxSubKeyLen, DWORD* maxClassLen, DWORD* values, DWORD* maxValueNameLen,
                      DWORD* maxValueLen, DWORD* cbSecurityDescriptor, FILETIME* lastWriteTime) {
  return guarded([&]() -> LONG {
    if (reserved)
      return ERROR_INVALID_PARAMETER;
    ReadView view;
    const LONG error = openForRead(key, KEY_QUERY_VALUE, view);
    if (error != ERROR_SUCCESS)
      return error;
    const RegistryKeyNode& node = *view.key;
    std::size_t longestSubKey = 0;
    for (std::size_t i = 0; i < node.subKeyCount(); ++i)
      longestSubKey = std::max(longestSubKey, node.subKeyAt(i).name().size());
    std::size_t longestName = 0;
    std::size_t longestData = 0;
    for (const RegistryValue& value : node.values()) {
      longestName = std::max(longestName, value.name.size());
      longestData = std::max(longestData, value.data.size());
    }
    clearClass(className, cchClass);
    if (subKeys)
      *subKeys = static_cast<DWORD>(node.subKeyCount());
    if (maxSubKeyLen)
      *maxSubKeyLen = static_cast<DWORD>(longestSubKey);
    if (maxClassLen)
      *maxClassLen = 0;
    if (values)
      *values = static_cast<DWORD>(node.values().size());
    if (maxValueNameLen)
      *maxValueNameLen = static_cast<DWORD>(longestName);
    if (maxValueLen)
      *maxValueLen = static_cast<DWORD>(longestData);
    if (cbSecurityDescriptor)
      *cbSecurityDescriptor = 0;
    if (lastWriteTime)
      *lastWriteTime = FILETIME{};
    return ERROR_SUCCESS;
  });
}

LONG RegCloseKey(HKEY key) {
  return guarded([&]() -> LONG {
    if (RegistryHandleTable::isPredefined(key))
      return ERROR_SUCCESS;
    return RegistryHandleTable::instance().remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  });
}

} // extern "C"
