#include "sim/vesk/VeskSimCameraState.h"

#include "sim/vesk/VeskSimFrames.h"
#include "sim/vesk/VeskSimPictures.h"
#include "sim/vesk/VeskSimTypes.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace tarsel::vesksim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using frames::kAck;
using frames::kActionDone;
using frames::kNak;

constexpr std::uint32_t kMaxPowerSaveSeconds = 86400;
constexpr std::uint32_t kMediaCameraMemory = 2;

void put32(Bytes& out, std::uint32_t v) {
  std::uint8_t b[4];
  storeLe32(b, v);
  out.insert(out.end(), b, b + 4);
}

void putText(Bytes& out, const std::string& text, std::size_t field) {
  const std::size_t n = std::min(text.size(), field - 1);
  out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
  out.insert(out.end(), field - n, 0);
}

SharedBytes share(Bytes bytes) {
  return std::make_shared<const Bytes>(std::move(bytes));
}

// Text of a written object: up to the first NUL.
std::string textOf(std::span<const std::uint8_t> data) {
  std::string text;
  for (std::uint8_t c : data) {
    if (c == 0)
      break;
    text.push_back(static_cast<char>(c));
  }
  return text;
}

std::uint32_t sizeOf(const CardPicture* p) {
  if (!p || !p->bytes)
    return 0;
  return static_cast<std::uint32_t>(
      std::min<std::size_t>(p->bytes->size(), std::numeric_limits<std::uint32_t>::max()));
}

std::uint32_t clampToI32(std::uint64_t v) {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0x7FFFFFFFu));
}

} // namespace

VeskSimCameraState::VeskSimCameraState(CameraModel model, std::uint32_t seedBase, std::int64_t cameraClock)
    : m_model(std::move(model)), m_seedBase(seedBase), m_clockBase(cameraClock) {
  m_resolution = findResolution(m_model, m_model.defaultResolution) || m_model.resolutions.empty()
                     ? m_model.defaultResolution
                     : m_model.resolutions.front().id;
  m_zoom = m_model.zoomMin;
  m_exposure = {2, m_model.apertures.empty() ? 28u : m_model.apertures.front(), 10, 16666, 0};
  m_cameraId = m_model.cameraId.substr(0, 31);
  m_card.setCapacity(m_model.cardCapacityBytes);
  m_model.blockSize = std::clamp<std::uint32_t>(m_model.blockSize, 1, kMaxBlockSize);
}

std::uint32_t VeskSimCameraState::cameraSeconds(std::uint64_t nowUs) const {
  return static_cast<std::uint32_t>(m_clockBase + static_cast<std::int64_t>(nowUs / 1000000u));
}

void VeskSimCameraState::preload(const CardSetup& setup, std::uint64_t nowUs) {
  if (setup.capacityBytes)
    m_card.setCapacity(setup.capacityBytes);
  m_battery = setup.battery;
  const ResolutionMode* mode = findResolution(m_model, setup.resolution ? setup.resolution : m_resolution);
  for (std::uint32_t i = 0; mode && i < setup.jpegCount; ++i)
    m_card.add(makePicture(*mode, nowUs));
  const auto firstOf = [this](PictureFormat format) -> const ResolutionMode* {
    for (const ResolutionMode& r : m_model.resolutions) {
      if (r.format == format)
        return &r;
    }
    return nullptr;
  };
  if (setup.tiff) {
    if (const ResolutionMode* t = firstOf(PictureFormat::Tiff))
      m_card.add(makePicture(*t, nowUs));
  }
  if (setup.raw) {
    if (const ResolutionMode* r = firstOf(PictureFormat::Raw))
      m_card.add(makePicture(*r, nowUs));
  }
  for (const auto& [name, bytes] : setup.files) {
    CardPicture p;
    p.fileName = name;
    p.bytes = share(bytes);
    p.format = PictureFormat::Jpeg;
    PictureParams thumb;
    thumb.seed = m_seedBase + ++m_shots;
    p.thumbnail = share(makeThumbnail(thumb));
    m_card.add(std::move(p));
  }
  if (setup.full)
    m_card.setCapacity(m_card.usedBytes());
  m_card.setPresent(setup.present);
}

// ---- value checks ----

bool VeskSimCameraState::accepts(const std::vector<std::uint32_t>& set, std::uint32_t value) const {
  return std::find(set.begin(), set.end(), value) != set.end();
}

std::optional<std::uint32_t> VeskSimCameraState::fromSet(const std::vector<std::uint32_t>& set,
                                                         std::uint32_t value, std::uint32_t old) const {
  if (accepts(set, value))
    return value;
  switch (m_model.rejectPolicy) {
  case RejectPolicy::Nak:
    return std::nullopt;
  case RejectPolicy::KeepOld:
    return old;
  case RejectPolicy::Nearest:
    break;
  }
  if (set.empty())
    return old;
  std::uint32_t best = set.front();
  for (std::uint32_t v : set) {
    const auto distance = [value](std::uint32_t x) { return x > value ? x - value : value - x; };
    if (distance(v) < distance(best))
      best = v;
  }
  return best;
}

std::optional<std::uint32_t> VeskSimCameraState::fromRange(std::uint32_t min, std::uint32_t max,
                                                           std::uint32_t value, std::uint32_t old) const {
  if (value >= min && value <= max)
    return value;
  switch (m_model.rejectPolicy) {
  case RejectPolicy::Nak:
    return std::nullopt;
  case RejectPolicy::KeepOld:
    return old;
  case RejectPolicy::Nearest:
    break;
  }
  return std::clamp(value, min, max);
}

// ---- registers ----

const CardPicture* VeskSimCameraState::currentPicture() const {
  if (m_currentPicture == 0)
    return nullptr;
  if (m_capture[0] == kMediaCameraMemory)
    return m_currentPicture == 1 && m_memoryPicture ? &*m_memoryPicture : nullptr;
  return m_card.picture(m_currentPicture);
}

CardPicture* VeskSimCameraState::currentPicture() {
  return const_cast<CardPicture*>(std::as_const(*this).currentPicture());
}

void VeskSimCameraState::clampCurrentPicture() {
  if (m_capture[0] != kMediaCameraMemory && m_currentPicture > m_card.pictureCount())
    m_currentPicture = static_cast<std::uint32_t>(m_card.pictureCount());
}

std::uint64_t VeskSimCameraState::estimatedSize(const ResolutionMode& mode) const {
  const std::uint64_t pixels = static_cast<std::uint64_t>(mode.width) * mode.height;
  switch (mode.format) {
  case PictureFormat::Jpeg:
    return mode.quality >= 90 ? pixels * 7 / 8 : pixels * 3 / 8;
  case PictureFormat::Tiff:
    return pixels * 3 + 4096;
  case PictureFormat::Raw:
    return pixels * 3 / 2 + 64;
  }
  return pixels;
}

std::uint32_t VeskSimCameraState::remainingCount() const {
  if (!m_card.present())
    return 0;
  const ResolutionMode* mode = findResolution(m_model, m_resolution);
  const std::uint64_t each = mode ? std::max<std::uint64_t>(estimatedSize(*mode), 1) : 1u << 20;
  return clampToI32(m_card.freeBytes() / each);
}

std::optional<std::uint32_t> VeskSimCameraState::readRegister(std::uint8_t reg, std::uint64_t nowUs) const {
  switch (reg) {
  case 1:
    return m_resolution;
  case 2:
    return cameraSeconds(nowUs);
  case 4:
    return m_currentPicture;
  case 7:
    return m_flash;
  case 10:
    return static_cast<std::uint32_t>(m_card.pictureCount());
  case 11:
    return remainingCount();
  case 12:
    if (m_currentPicture == 0)
      return m_preview ? static_cast<std::uint32_t>(m_preview->size()) : 0u;
    return sizeOf(currentPicture());
  case 13:
    return static_cast<std::uint32_t>(indexObject()->size());
  case 20:
    return m_whiteBalance;
  case 23:
    return m_powerSaveHost;
  case 24:
    return m_powerSaveCamera;
  case 30:
    return m_led;
  case 33:
    return m_focusMode;
  case 35:
    return m_lcdBrightness;
  case 38:
    return m_powerSaveLcd;
  case 39: {
    const CardPicture* p = currentPicture();
    return p && p->isProtected ? 1u : 0u;
  }
  case 70:
    return m_metering;
  case 72:
    return m_digitalZoom;
  case 83:
    return static_cast<std::uint32_t>(m_card.folderCount());
  case 85:
    return m_iso;
  case 103:
    return m_focusPosition;
  default:
    return std::nullopt;
  }
}

std::uint8_t VeskSimCameraState::writeRegister(std::uint8_t reg, std::uint32_t value, std::uint64_t nowUs) {
  const auto apply = [](std::uint32_t& field, std::optional<std::uint32_t> v) {
    if (!v)
      return kNak;
    field = *v;
    return kAck;
  };
  const auto codes = [this](const std::vector<std::uint32_t>& set, std::uint32_t wanted, std::uint32_t old) {
    // A code that is not in the set has no "nearest" code: keep the old one.
    if (accepts(set, wanted))
      return std::optional<std::uint32_t>(wanted);
    return m_model.rejectPolicy == RejectPolicy::Nak ? std::nullopt : std::optional<std::uint32_t>(old);
  };
  switch (reg) {
  case 1:
    if (findResolution(m_model, value)) {
      m_resolution = value;
      return kAck;
    }
    return m_model.rejectPolicy == RejectPolicy::Nak ? kNak : kAck;
  case 2:
    m_clockBase = static_cast<std::int64_t>(value) - static_cast<std::int64_t>(nowUs / 1000000u);
    return kAck;
  case 4: {
    const std::uint32_t last = m_capture[0] == kMediaCameraMemory
                                   ? (m_memoryPicture ? 1u : 0u)
                                   : static_cast<std::uint32_t>(m_card.pictureCount());
    if (value > last)
      return kNak;
    m_currentPicture = value;
    return kAck;
  }
  case 7:
    return apply(m_flash, codes(m_model.flashModes, value, m_flash));
  case 20:
    return apply(m_whiteBalance, codes(m_model.whiteBalances, value, m_whiteBalance));
  case 23:
  case 24:
  case 38: {
    if (value > kMaxPowerSaveSeconds)
      return kNak;
    (reg == 23 ? m_powerSaveHost : reg == 24 ? m_powerSaveCamera : m_powerSaveLcd) = value;
    return kAck;
  }
  case 30:
    m_led = value;
    return kAck;
  case 33:
    return apply(m_focusMode, codes({1, 2, 3}, value, m_focusMode));
  case 35:
    return apply(m_lcdBrightness, fromRange(m_model.lcdMin, m_model.lcdMax, value, m_lcdBrightness));
  case 70:
    return apply(m_metering, codes(m_model.meteringModes, value, m_metering));
  case 72:
    return apply(m_digitalZoom, codes(m_model.digitalZooms, value, m_digitalZoom));
  case 83:
    if (!m_card.selectFolder(value))
      return kNak;
    clampCurrentPicture();
    return kAck;
  case 85: {
    std::vector<std::uint32_t> isoCodes;
    for (const auto& [code, speed] : m_model.isoTable)
      isoCodes.push_back(code);
    return apply(m_iso, codes(isoCodes, value, m_iso));
  }
  case 103:
    return apply(m_focusPosition, fromRange(m_model.focusMin, m_model.focusMax, value, m_focusPosition));
  default:
    return kNak; // unknown or read-only
  }
}

// ---- data objects ----

bool VeskSimCameraState::isWritableObject(std::uint8_t object) const {
  switch (object) {
  case 22:
  case 69:
  case 71:
  case 84:
  case 87:
  case 102:
  case 124:
    return true;
  default:
    return false;
  }
}

SharedBytes VeskSimCameraState::indexObject() const {
  Bytes out;
  const std::size_t count = m_card.pictureCount();
  put32(out, static_cast<std::uint32_t>(count));
  for (std::size_t i = 1; i <= count; ++i) {
    const CardPicture* p = m_card.picture(i);
    const std::size_t size = p->thumbnail ? p->thumbnail->size() : 0;
    put32(out, static_cast<std::uint32_t>(i));
    put32(out, static_cast<std::uint32_t>(size));
    if (size)
      out.insert(out.end(), p->thumbnail->begin(), p->thumbnail->end());
  }
  return share(std::move(out));
}

std::optional<SharedBytes> VeskSimCameraState::readObject(std::uint8_t object, std::uint64_t nowUs) const {
  Bytes out;
  const CardPicture* current = currentPicture();
  switch (object) {
  case 14:
    if (m_currentPicture == 0)
      return m_preview ? m_preview : share({});
    return current && current->bytes ? current->bytes : share({});
  case 15:
    return indexObject();
  case 22:
    putText(out, m_cameraId, 32);
    break;
  case 26:
    putText(out, m_model.firmware, 32);
    break;
  case 46:
    put32(out, m_resolution);
    put32(out, m_flash);
    put32(out, m_whiteBalance);
    put32(out, m_iso);
    put32(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(m_battery)));
    put32(out, static_cast<std::uint32_t>(m_card.pictureCount()));
    put32(out, remainingCount());
    put32(out, m_lcdMode);
    break;
  case 47:
    put32(out, current ? m_currentPicture : 0);
    put32(out, sizeOf(current));
    put32(out, current ? current->tag.width : 0);
    put32(out, current ? current->tag.height : 0);
    put32(out, current ? static_cast<std::uint32_t>(current->format) : 0);
    put32(out, current && current->isProtected ? 1 : 0);
    put32(out, current ? current->tag.resolution : 0);
    put32(out, 0);
    break;
  case 67:
    put32(out, m_card.present() ? 1 : 0);
    putText(out, m_card.present() ? "SIM CARD" : "", 32);
    putText(out, m_card.present() ? "FAT32" : "", 32);
    put32(out, m_card.present() ? clampToI32(m_card.capacity()) : 0);
    put32(out, m_card.present() ? clampToI32(m_card.freeBytes()) : 0);
    break;
  case 69:
    put32(out, static_cast<std::uint32_t>(m_bias));
    put32(out, 10);
    break;
  case 71:
    put32(out, m_zoom);
    put32(out, 10);
    break;
  case 74: {
    const PictureTag tag = current ? current->tag : PictureTag{};
    put32(out, current ? m_currentPicture : 0);
    put32(out, tag.resolution);
    put32(out, tag.width);
    put32(out, tag.height);
    put32(out, sizeOf(current));
    putText(out, tag.dateTime, 20);
    put32(out, tag.exposureUs);
    put32(out, tag.aperture);
    put32(out, tag.isoCode);
    put32(out, tag.whiteBalance);
    put32(out, static_cast<std::uint32_t>(tag.exposureBias));
    put32(out, tag.programMode);
    put32(out, tag.flashFired);
    put32(out, tag.metering);
    put32(out, tag.focusMode);
    break;
  }
  case 79:
    putText(out, current ? current->fileName : "", 13);
    break;
  case 84:
    putText(out, m_card.folderName(), 9);
    break;
  case 87:
    for (std::uint32_t w : m_capture)
      put32(out, w);
    break;
  case 91:
    put32(out, static_cast<std::uint32_t>(m_card.currentFolder()));
    put32(out, static_cast<std::uint32_t>(m_card.folderCount()));
    put32(out, static_cast<std::uint32_t>(m_card.pictureCount()));
    put32(out, static_cast<std::uint32_t>(m_card.totalPictureCount()));
    put32(out, 0);
    break;
  case 102:
    for (std::uint32_t w : m_exposure)
      put32(out, w);
    break;
  case 124:
    for (std::uint32_t w : m_custom)
      put32(out, w);
    break;
  default:
    return std::nullopt;
  }
  (void)nowUs;
  return share(std::move(out));
}

std::uint8_t VeskSimCameraState::writeObject(std::uint8_t object, std::span<const std::uint8_t> data) {
  const auto word = [&data](std::size_t i) { return loadLe32(data.data() + 4 * i); };
  switch (object) {
  case 22:
    // The camera keeps at most 31 characters of its ID.
    m_cameraId = textOf(data).substr(0, 31);
    return kAck;
  case 69: {
    if (data.size() != 8 || word(1) != 10)
      return kNak;
    const auto value = static_cast<std::int32_t>(word(0));
    if (value >= m_model.exposureBiasMin && value <= m_model.exposureBiasMax) {
      m_bias = value;
      return kAck;
    }
    if (m_model.rejectPolicy == RejectPolicy::Nak)
      return kNak;
    if (m_model.rejectPolicy == RejectPolicy::Nearest)
      m_bias = std::clamp(value, m_model.exposureBiasMin, m_model.exposureBiasMax);
    return kAck;
  }
  case 71: {
    if (data.size() != 8 || word(1) != 10)
      return kNak;
    // The lens stops at its ends; a small step may not move it at all.
    const std::uint32_t target = std::clamp(word(0), m_model.zoomMin, m_model.zoomMax);
    const std::uint32_t step = target > m_zoom ? target - m_zoom : m_zoom - target;
    if (step >= m_model.zoomMinStep)
      m_zoom = target;
    return kAck;
  }
  case 84:
    if (data.size() > 9)
      return kNak;
    return m_card.setFolderName(textOf(data)) ? kAck : kNak;
  case 87:
    if (data.size() != 32 || (word(0) != 0 && word(0) != kMediaCameraMemory) || word(3) > 3)
      return kNak;
    for (std::size_t i = 0; i < m_capture.size(); ++i)
      m_capture[i] = word(i);
    clampCurrentPicture();
    return kAck;
  case 102: {
    if (data.size() != 20 || word(0) < 1 || word(0) > 4 || word(2) != 10)
      return kNak;
    const auto aperture = fromSet(m_model.apertures, word(1), m_exposure[1]);
    const auto time = fromSet(m_model.exposureTimesUs, word(3), m_exposure[3]);
    if (!aperture || !time)
      return kNak;
    m_exposure = {word(0), *aperture, 10, *time, 0};
    return kAck;
  }
  case 124:
    if (data.size() != 64)
      return kNak;
    for (std::size_t i = 0; i < m_custom.size(); ++i)
      m_custom[i] = word(i);
    return kAck;
  default:
    return kNak;
  }
}

// ---- pictures and actions ----

VeskSimCameraState::Shot VeskSimCameraState::describeShot(const ResolutionMode& mode, std::uint64_t nowUs) {
  ++m_shots;
  bool fired = false;
  switch (m_flash) {
  case 0:
    fired = (m_shots & 1u) != 0;
    break;
  case 2:
    fired = false;
    break;
  default:
    fired = true;
    break;
  }
  Shot shot;
  shot.mode = &mode;
  PictureParams& p = shot.params;
  p.width = mode.width;
  p.height = mode.height;
  p.quality = mode.quality > 0 ? mode.quality : 75;
  p.seed = m_seedBase + m_shots;
  p.make = m_model.make;
  p.model = m_model.name;
  p.software = m_model.firmware;
  p.dateTime = exifDateTime(cameraSeconds(nowUs));
  p.exposureUs = m_exposure[3];
  p.apertureTenths = m_exposure[1];
  const std::uint32_t iso = isoSpeedOf(m_model, m_iso);
  p.isoSpeed = iso ? iso : 100;
  p.biasTenths = m_bias;
  p.programMode = static_cast<std::uint16_t>(m_exposure[0]);
  p.metering = static_cast<std::uint16_t>(m_metering);
  p.flash = fired ? 1 : 0;
  p.whiteBalance = m_whiteBalance == 0 ? 0 : 1;
  p.focalTenths = m_zoom;

  PictureTag& tag = shot.tag;
  tag.resolution = mode.id;
  tag.width = mode.width;
  tag.height = mode.height;
  tag.dateTime = p.dateTime;
  tag.exposureUs = m_exposure[3];
  tag.aperture = m_exposure[1];
  tag.isoCode = m_iso;
  tag.whiteBalance = m_whiteBalance;
  tag.exposureBias = m_bias;
  tag.programMode = m_exposure[0];
  tag.flashFired = fired ? 1 : 0;
  tag.metering = m_metering;
  tag.focusMode = m_focusMode;
  shot.toMemory = m_capture[0] == kMediaCameraMemory;
  return shot;
}

CardPicture VeskSimCameraState::renderShot(const Shot& shot) {
  CardPicture picture;
  picture.format = shot.mode->format;
  switch (shot.mode->format) {
  case PictureFormat::Jpeg:
    picture.bytes = share(makeJpegPicture(shot.params));
    break;
  case PictureFormat::Tiff:
    picture.bytes = share(makeTiffPicture(shot.params));
    break;
  case PictureFormat::Raw:
    picture.bytes = share(makeRawPicture(shot.params));
    break;
  }
  picture.thumbnail = share(makeThumbnail(shot.params));
  picture.fileName = m_card.nextFileName(shot.mode->format);
  picture.tag = shot.tag;
  return picture;
}

CardPicture VeskSimCameraState::makePicture(const ResolutionMode& mode, std::uint64_t nowUs) {
  return renderShot(describeShot(mode, nowUs));
}

bool VeskSimCameraState::canTake(const ResolutionMode& mode) const {
  if (m_capture[0] == kMediaCameraMemory)
    return true;
  return m_card.present() && estimatedSize(mode) <= m_card.freeBytes();
}

bool VeskSimCameraState::takePicture(std::uint64_t nowUs) {
  const ResolutionMode* mode = findResolution(m_model, m_resolution);
  if (!mode || !canTake(*mode))
    return false;
  const Shot shot = describeShot(*mode, nowUs);
  if (shot.toMemory) {
    m_memoryPicture = renderShot(shot);
    return true;
  }
  return m_card.add(renderShot(shot));
}

bool VeskSimCameraState::finishCapture() {
  if (!m_pendingShot)
    return true;
  const Shot shot = std::move(*m_pendingShot);
  m_pendingShot.reset();
  if (shot.toMemory) {
    m_memoryPicture = renderShot(shot);
    return true;
  }
  return m_card.add(renderShot(shot));
}

void VeskSimCameraState::erasing(std::size_t number) {
  const CardPicture* picture = number > 0 ? m_card.picture(number) : nullptr;
  if (m_eraseHook && picture && !picture->isProtected)
    m_eraseHook(*picture);
}

VeskSimCameraState::ActionResult VeskSimCameraState::runAction(std::uint8_t action, std::uint8_t param,
                                                               std::uint64_t nowUs) {
  ActionResult r;
  r.firstStatus = kAck;
  r.secondStatus = kActionDone;
  const auto ms = [](std::uint64_t v) { return v * 1000u; };
  switch (action) {
  case 0: { // erase the last picture
    r.durationUs = ms(m_model.eraseMs);
    const std::size_t count = m_card.pictureCount();
    erasing(count);
    if (count == 0 || m_card.erase(count) != VeskSimCard::EraseResult::Erased)
      r.secondStatus = kNak;
    clampCurrentPicture();
    return r;
  }
  case 1: { // erase every unprotected picture
    const std::size_t count = m_card.pictureCount();
    r.durationUs = ms(m_model.eraseAllBaseMs) + ms(m_model.eraseAllPerPictureMs) * count;
    if (!m_card.present())
      r.secondStatus = kNak;
    else
      m_card.eraseAllUnprotected();
    clampCurrentPicture();
    return r;
  }
  case 2: { // capture
    r.durationUs = ms(m_model.captureMs) + m_exposure[3];
    r.notReadyUs = ms(m_model.notReadyAfterCaptureMs);
    const ResolutionMode* mode = findResolution(m_model, m_resolution);
    if (mode && canTake(*mode))
      m_pendingShot = describeShot(*mode, nowUs);
    else
      r.secondStatus = kNak;
    if (m_model.forgetsExposure) {
      m_exposure = {2, m_model.apertures.empty() ? 28u : m_model.apertures.front(), 10, 16666, 0};
      m_bias = 0;
    }
    return r;
  }
  case 5: // preview frame into slot 0
    r.durationUs = ms(m_model.previewMs);
    ++m_previewCount;
    m_preview = share(makePreviewFrame(m_previewCount, cameraSeconds(nowUs)));
    return r;
  case 7: { // erase the current picture; the ones after it move down
    r.durationUs = ms(m_model.eraseMs);
    if (m_capture[0] != kMediaCameraMemory)
      erasing(m_currentPicture);
    if (m_capture[0] == kMediaCameraMemory || m_currentPicture == 0 ||
        m_card.erase(m_currentPicture) != VeskSimCard::EraseResult::Erased)
      r.secondStatus = kNak;
    clampCurrentPicture();
    return r;
  }
  case 8: // monitor mode
    if (param != 1 && param != 2) {
      r.firstStatus = kNak;
      return r;
    }
    r.durationUs = ms(m_model.settingMs);
    m_lcdMode = param;
    return r;
  case 9: { // protect flag of the current picture
    if (param > 1) {
      r.firstStatus = kNak;
      return r;
    }
    r.durationUs = ms(m_model.settingMs);
    CardPicture* p = currentPicture();
    if (!p)
      r.secondStatus = kNak;
    else
      p->isProtected = param != 0;
    return r;
  }
  default:
    r.firstStatus = kNak;
    return r;
  }
}

} // namespace tarsel::vesksim
