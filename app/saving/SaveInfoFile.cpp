#include "app/saving/SaveInfoFile.h"

namespace {

std::string textOf(const char* text) {
  return text ? text : "";
}

// The empty text, written only where the buffer has room for it.
char* emptyText(char* buffer, std::int32_t size) {
  if (buffer && size > 0)
    buffer[0] = '\0';
  return buffer;
}

} // namespace

CSaveInfoFile::CSaveInfoFile(const char* cameraName, std::int32_t numDigits)
    : m_cameraId(textOf(cameraName)), m_filePrefix(m_cameraId), m_numDigits(numDigits) {}

void CSaveInfoFile::SetFilePrefix(const char* prefix) {
  m_filePrefix = textOf(prefix);
}

void CSaveInfoFile::SetAuxText(const char* text) {
  m_auxText = textOf(text);
}

void CSaveInfoFile::SetTargetFolder(const char* folder) {
  m_targetFolder = textOf(folder);
}

void CSaveInfoFile::SetCounter(std::uint32_t counter) {
  if (counter == 0xFFFFFFFFu)
    ++m_counter;
  else
    m_counter = counter;
}

char* CSaveInfoFile::GetSubFolder(char* buffer, std::int32_t size) {
  return emptyText(buffer, size);
}

char* CSaveInfoFile::GetFileName(char* buffer, std::int32_t size) {
  return emptyText(buffer, size);
}

bool CSaveInfoFile::TakeOverwriteOnce() {
  const bool granted = m_overwriteOnce;
  m_overwriteOnce = false;
  return granted;
}
