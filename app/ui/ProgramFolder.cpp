#include "app/ui/ProgramFolder.h"

#include <cstring>

#include <unistd.h>

bool GetProgramFolder(char* buffer, std::size_t size) {
  if (!buffer || size == 0)
    return false;
  buffer[0] = '\0';
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0)
    return false;
  path[length] = '\0';
  char* lastSeparator = std::strrchr(path, '/');
  if (!lastSeparator)
    return false;
  // Keep the separator: the folder ends with one.
  const std::size_t folderLength = static_cast<std::size_t>(lastSeparator - path) + 1;
  if (folderLength > kProgramFolderSize - 1 || folderLength >= size)
    return false;
  std::memcpy(buffer, path, folderLength);
  buffer[folderLength] = '\0';
  return true;
}
