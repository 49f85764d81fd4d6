#include "app/saving/SaveInfoMultiPics.h"

#include "app/core/SanitizedName.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/EnvironmentStrings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace tarsel::saving {

std::int32_t BoundedDigits(std::int64_t digits) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(digits, 0, kMaxCounterDigits));
}

} // namespace tarsel::saving

namespace {

using tarsel::core::SanitizedNamePart;
using tarsel::core::SanitizedPathComponent;
using tarsel::saving::BoundedDigits;

// The size of the option buffers the plug-ins' contract assumes.
constexpr DWORD kOptionBufferSize = 260;

// Copies `text` into the caller's buffer, cut to fit and terminated.
char* CopyToBuffer(const std::string& text, char* buffer, std::int32_t size) {
  if (!buffer || size <= 0)
    return buffer;
  const std::size_t count = std::min(text.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return buffer;
}

} // namespace

CSaveInfoMultiPics::CSaveInfoMultiPics(const char* cameraId, std::uint32_t counter,
                                       IPictureFromCamera* picture, CSaveDllWrapper* saver,
                                       ITarselSettings* settings)
    : m_cameraId(cameraId ? cameraId : ""), m_filePrefix(SanitizedNamePart(m_cameraId)), m_counter(counter),
      m_picture(picture), m_saver(saver) {
  CRefPtr<ITarselConfigSettings> options;
  if (settings) {
    ITarselConfigSettings* opened = nullptr;
    if (settings->GetUserSettings(&opened, true) == 0)
      options.Attach(opened);
  }
  if (!options)
    return;
  m_numDigits = BoundedDigits(static_cast<std::int32_t>(options->GetNumDigitsInCounter()));
  m_camNameUse = options->GetCamNameUse();
  if (m_camNameUse == 1) {
    char prefix[kOptionBufferSize] = {};
    DWORD size = sizeof prefix;
    if (options->GetFilePrefix(prefix, &size) == 0)
      m_filePrefix = SanitizedNamePart(std::string_view(prefix, strnlen(prefix, sizeof prefix)));
  }
}

CSaveInfoMultiPics::~CSaveInfoMultiPics() = default;

const char* CSaveInfoMultiPics::GetCameraId() {
  return m_cameraId.c_str();
}

const char* CSaveInfoMultiPics::GetFilePrefix() {
  return m_filePrefix.c_str();
}

void CSaveInfoMultiPics::SetFilePrefix(const char* prefix) {
  m_filePrefix = SanitizedNamePart(prefix ? prefix : "");
}

const char* CSaveInfoMultiPics::GetAuxText() {
  return nullptr;
}

void CSaveInfoMultiPics::SetAuxText(const char*) {}

const char* CSaveInfoMultiPics::GetTargetFolder() {
  return m_targetFolder.c_str();
}

void CSaveInfoMultiPics::SetTargetFolder(const char* folder) {
  std::string_view text = folder ? folder : "";
  if (!text.empty() && text.front() == '"')
    text.remove_prefix(1);
  if (!text.empty() && text.back() == '"')
    text.remove_suffix(1);
  m_targetFolder = ExpandEnvironmentStrings(text);
}

std::uint32_t CSaveInfoMultiPics::GetCounter() {
  return m_counter;
}

void CSaveInfoMultiPics::SetCounter(std::uint32_t counter) {
  if (counter == 0xFFFFFFFFu)
    ++m_counter;
  else
    m_counter = counter;
}

char* CSaveInfoMultiPics::GetSubFolder(char* buffer, std::int32_t size) {
  return CopyToBuffer(m_camNameUse == 1 ? SanitizedPathComponent(m_cameraId) : std::string(), buffer, size);
}

char* CSaveInfoMultiPics::GetFileName(char* buffer, std::int32_t size) {
  return CopyToBuffer(MakeCounterFileName(), buffer, size);
}

std::string CSaveInfoMultiPics::MakeCounterFileName() {
  std::string name = m_camNameUse == 1 ? m_filePrefix : SanitizedNamePart(m_cameraId);
  const std::int32_t digits = BoundedDigits(m_numDigits);
  if (digits > 0) {
    char number[16];
    std::snprintf(number, sizeof number, "%0*u", static_cast<int>(digits), static_cast<unsigned>(m_counter));
    name += number;
  }
  if (m_picture) {
    const char* extension = m_picture->GetExtension();
    name += SanitizedNamePart(extension ? extension : "");
  }
  return SanitizedPathComponent(name);
}

void CSaveInfoMultiPics::SetNumDigits(std::int32_t digits) {
  m_numDigits = BoundedDigits(digits);
}

std::int32_t CSaveInfoMultiPics::GetNumDigits() {
  return m_numDigits;
}

void CSaveInfoMultiPics::SetNamingMode(std::int32_t mode) {
  m_namingMode = mode;
}

std::int32_t CSaveInfoMultiPics::GetNamingMode() {
  return m_namingMode;
}

bool CSaveInfoMultiPics::TakeOverwriteOnce() {
  return std::exchange(m_overwriteOnce, false);
}

void CSaveInfoMultiPics::SetOverwriteOnce() {
  m_overwriteOnce = true;
}

bool CSaveInfoMultiPics::GetUiAllowed() {
  return m_uiAllowed;
}

void CSaveInfoMultiPics::SetUiAllowed(bool allowed) {
  m_uiAllowed = allowed;
}
