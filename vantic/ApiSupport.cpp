#include "vantic/ApiSupport.h"

#include "platform/Bytes.h"

#include <cstring>
#include <vector>

namespace tarsel::vantic::api {

CameraLibrary& camera() {
  return CameraLibrary::instance();
}

int refuse(int code) {
  return camera().state().record(code);
}

int setRegister(int reg, std::uint32_t value) {
  return camera().operations().writeChecked(reg, value);
}

std::uint32_t low16(int value) {
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int16_t>(value & 0xFFFF)));
}

int getRegister(int reg) {
  std::uint32_t value = 0;
  if (camera().operations().readChecked(reg, false, value) != CAM_OK)
    return -1;
  return static_cast<std::int32_t>(value);
}

int select(int selectReg, int selection) {
  return setRegister(selectReg, static_cast<std::uint32_t>(selection));
}

int getSelected(int selectReg, int selection, int reg) {
  std::uint32_t value = 0;
  const int rc = repeatFromSelection([&] {
    if (const int selected = select(selectReg, selection); selected != CAM_OK)
      return selected;
    return camera().operations().readChecked(reg, true, value);
  });
  return rc == CAM_OK ? static_cast<std::int32_t>(value) : -1;
}

int readStructure(int reg, std::span<std::uint8_t> out, int selectReg, int selection) {
  return repeatFromSelection([&] {
    if (selectReg >= 0) {
      if (const int selected = select(selectReg, selection); selected != CAM_OK)
        return selected;
    }
    return camera().operations().readStructure(reg, out, selectReg >= 0);
  });
}

int writeStructure(int reg, std::span<const std::uint8_t> bytes) {
  return camera().operations().writeObject(reg, bytes);
}

std::int32_t wordAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::int32_t>(tarsel::bytes::loadLe32(bytes, offset));
}

std::int16_t halfAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::int16_t>(tarsel::bytes::loadLe16(bytes, offset));
}

int readWords(int reg, std::int32_t* words, int count, int selectReg, int selection) {
  if (!words)
    return refuse(CAM_INVALID_PARAMETER);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * 4);
  const int rc = readStructure(reg, bytes, selectReg, selection);
  if (rc != CAM_OK)
    return rc;
  for (int i = 0; i < count; ++i)
    words[i] = wordAt(bytes, static_cast<std::size_t>(i) * 4);
  return CAM_OK;
}

int writeWords(int reg, const std::int32_t* words, int count) {
  if (!words)
    return refuse(CAM_INVALID_PARAMETER);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * 4);
  for (int i = 0; i < count; ++i)
    tarsel::bytes::storeLe32(bytes, static_cast<std::size_t>(i) * 4, static_cast<std::uint32_t>(words[i]));
  return writeStructure(reg, bytes);
}

int writeText(int reg, const char* text) {
  if (!text)
    return refuse(CAM_INVALID_PARAMETER);
  const std::size_t length = ::strnlen(text, 32);
  if (length >= 32)
    return refuse(CAM_OUT_OF_RANGE);
  return writeStructure(reg,
                        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text), length));
}

int readText(int reg, char* buffer, int size, int selectReg, int selection) {
  if (!buffer)
    return refuse(CAM_INVALID_PARAMETER);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size), 0);
  const int rc = readStructure(reg, bytes, selectReg, selection);
  if (rc == CAM_OK)
    std::memcpy(buffer, bytes.data(), bytes.size());
  return rc;
}

} // namespace tarsel::vantic::api
