// What a simulated camera knows and does, apart from how it talks: its
// registers, its data objects, its actions and their busy times, the card,
// the preview frame and the picture kept in camera memory. The link layer
// (VeskSimCamera) calls it with the time of the simulator's clock.
//
// Registers and objects keep the camera protocol's numbers. Record layouts
// the protocol leaves open are ours:
//   46 camera record, 8 u32: resolution, flash, white balance, ISO code,
//      battery (signed 16 bits at byte 16), stored pictures, remaining, monitor mode
//   47 picture record, 8 u32: number, size, width, height, format (1 JPEG,
//      2 TIFF, 3 raw), protect flag, resolution, 0
//   67 memory record, 76 bytes: u32 card present, char[32] label, char[32]
//      file system, u32 capacity (byte 68), u32 free bytes (byte 72)
//   74 tag record, 76 bytes: u32 number, resolution, width, height, size;
//      char[20] date and time; u32 exposure time (us), aperture, ISO code,
//      white balance, exposure bias, program mode, flash fired (byte 64),
//      metering, focus mode
//   91 folder record, 5 u32: current folder, folders, pictures in folder,
//      pictures on card, 0
//   15 index: u32 count, then per picture u32 number, u32 length, JPEG thumbnail
//
// Not thread-safe: the camera's lock guards it.
#pragma once

#include "sim/vesk/VeskSimCard.h"
#include "sim/vesk/VeskSimModel.h"
#include "sim/vesk/VeskSimPictures.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tarsel::vesksim {

// The card a camera starts with.
struct CardSetup {
  std::uint32_t jpegCount = 3;  // JPEG pictures at `resolution`
  std::uint32_t resolution = 0; // 0: the model's default
  bool tiff = false;            // one TIFF picture (the model's first TIFF mode)
  bool raw = false;             // one raw file (the model's raw mode)
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files; // further files, as they are
  bool present = true;
  bool full = false;               // capacity = what the pictures take
  std::uint64_t capacityBytes = 0; // 0: the model's
  int battery = 100;
};

class VeskSimCameraState {
public:
  struct ActionResult {
    std::uint8_t firstStatus = 0;  // ACK when the action starts, NAK when refused
    std::uint64_t durationUs = 0;  // busy time
    std::uint8_t secondStatus = 0; // 0x05 when it did its work
    std::uint64_t notReadyUs = 0;  // DC1 window after it
  };

  // cameraClock: the camera clock (seconds since 1970, camera wall time) at clock time 0.
  VeskSimCameraState(CameraModel model, std::uint32_t seedBase, std::int64_t cameraClock);

  const CameraModel& model() const { return m_model; }
  VeskSimCard& card() { return m_card; }
  const VeskSimCard& card() const { return m_card; }

  void preload(const CardSetup& setup, std::uint64_t nowUs);

  std::optional<std::uint32_t> readRegister(std::uint8_t reg, std::uint64_t nowUs) const;
  // ACK, or NAK for an unknown, read-only or refused value.
  std::uint8_t writeRegister(std::uint8_t reg, std::uint32_t value, std::uint64_t nowUs);

  bool isWritableObject(std::uint8_t object) const;
  std::optional<SharedBytes> readObject(std::uint8_t object, std::uint64_t nowUs) const;
  std::uint8_t writeObject(std::uint8_t object, std::span<const std::uint8_t> data);

  ActionResult runAction(std::uint8_t action, std::uint8_t param, std::uint64_t nowUs);

  // Shutter pressed on the camera itself: a picture at the current settings.
  bool takePicture(std::uint64_t nowUs);
  // The picture of the last capture action is made when the capture's busy
  // time has passed, as a camera processes its picture after the shot; so a
  // capture costs no picture making while other cameras' captures arrive.
  // False when it no longer fits on the card.
  bool finishCapture();
  bool capturePending() const { return m_pendingShot.has_value(); }
  void setBattery(int level) { m_battery = level; }
  // Called with each picture the host erases, before it leaves the card.
  void setEraseHook(std::function<void(const CardPicture&)> hook) { m_eraseHook = std::move(hook); }
  std::uint32_t cameraSeconds(std::uint64_t nowUs) const;

private:
  const CardPicture* currentPicture() const;
  CardPicture* currentPicture();
  // What a shot is made of, fixed when the shutter fires.
  struct Shot {
    const ResolutionMode* mode = nullptr;
    PictureParams params;
    PictureTag tag;
    bool toMemory = false;
  };
  Shot describeShot(const ResolutionMode& mode, std::uint64_t nowUs);
  CardPicture renderShot(const Shot& shot);
  CardPicture makePicture(const ResolutionMode& mode, std::uint64_t nowUs);
  // Whether a picture of that mode can be taken now (into memory or onto the card).
  bool canTake(const ResolutionMode& mode) const;
  std::uint64_t estimatedSize(const ResolutionMode& mode) const;
  std::uint32_t remainingCount() const;
  bool accepts(const std::vector<std::uint32_t>& set, std::uint32_t value) const;
  std::optional<std::uint32_t> fromSet(const std::vector<std::uint32_t>& set, std::uint32_t value,
                                       std::uint32_t old) const;
  std::optional<std::uint32_t> fromRange(std::uint32_t min, std::uint32_t max, std::uint32_t value,
                                         std::uint32_t old) const;
  SharedBytes indexObject() const;
  void clampCurrentPicture();

  // The picture `number` of the card is about to be erased by the host.
  void erasing(std::size_t number);

  CameraModel m_model;
  VeskSimCard m_card;
  std::function<void(const CardPicture&)> m_eraseHook;
  std::uint32_t m_seedBase;
  std::uint32_t m_shots = 0;

  // Registers
  std::uint32_t m_resolution;
  std::int64_t m_clockBase;           // camera seconds at clock time 0
  std::uint32_t m_currentPicture = 0; // 0 = preview frame
  std::uint32_t m_flash = 0;
  std::uint32_t m_whiteBalance = 0;
  std::uint32_t m_powerSaveHost = 300;
  std::uint32_t m_powerSaveCamera = 180;
  std::uint32_t m_led = 0;
  std::uint32_t m_focusMode = 2;
  std::uint32_t m_lcdBrightness = 4;
  std::uint32_t m_powerSaveLcd = 60;
  std::uint32_t m_metering = 5;
  std::uint32_t m_digitalZoom = 0;
  std::uint32_t m_iso = 0;
  std::uint32_t m_focusPosition = 120;
  std::uint32_t m_zoom;
  std::int32_t m_bias = 0;
  std::array<std::uint32_t, 5> m_exposure; // mode, aperture, 10, time us, 0
  std::array<std::uint32_t, 8> m_capture{};
  std::array<std::uint32_t, 16> m_custom{};
  std::string m_cameraId;
  std::uint32_t m_lcdMode = 1;
  int m_battery = 100;

  SharedBytes m_preview;
  std::uint32_t m_previewCount = 0;
  std::optional<CardPicture> m_memoryPicture; // capture with media mode 2
  std::optional<Shot> m_pendingShot;          // capture action not yet finished
};

} // namespace tarsel::vesksim
