// Remote release, the release itself, the transfer of its items through the
// family's memory stream, and live view.
#include "sim/cdsdk/CdSimCall.h"
#include "sim/cdsdk/CdSimEntries.h"

#include <cstdio>
#include <cstring>

namespace tarsel::cdsim {
namespace {

using namespace cdsdk;
using Clock = std::chrono::steady_clock;

constexpr auto kSlowCallback = std::chrono::milliseconds(200);

void timeCallback(Clock::time_point began) {
  if (Clock::now() - began > kSlowCallback) {
    auto lock = lockState();
    ++state().counts.slowCallbacks;
    state().addLog("a call-back took over 200 ms");
  }
}

void progress(ProgressCallback* callback, void* context, u32 percent, u32 status) {
  if (callback == nullptr)
    return;
  const auto began = Clock::now();
  callback(percent, status, context);
  timeCallback(began);
}

// Whether the camera that `index` and `generation` name is still plugged in, with `source` open.
bool stillThere(std::size_t index, u32 generation, u32 source) {
  const auto& cameras = state().cameras;
  return index < cameras.size() && cameras[index]->plugged && cameras[index]->generation == generation &&
         state().handles.count(source) != 0;
}

// Whether the camera is in remote-release mode through this source handle.
bool inRemote(const Camera& camera, u32 source) {
  return camera.remote && camera.remoteSource == source;
}

u32 beforeRelease(u32 source) {
  return inSource(source, [&](Camera& camera) -> u32 {
    camera.bracket = true;
    return kOk;
  });
}

u32 afterTransfer(u32 source) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (!camera.bracket)
      return illegalLocked("the call after a transfer without the call before a release", kErrInvalidCall);
    camera.bracket = false;
    return kOk;
  });
}

u32 remoteReleaseEnter(u32 source, EventCallback* callback, void* context) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (callback == nullptr)
      return illegalLocked("remote-release mode entered without a call-back", kErrInvalidPointer);
    if (camera.remote)
      return illegalLocked("remote-release mode entered twice", kErrSessionAlreadyOpen);
    bool registered = false;
    for (const auto& [id, handle] : state().handles)
      registered |= handle.kind == HandleKind::Registration && handle.values.at(0) == source;
    if (!registered)
      return illegalLocked("remote-release mode entered before the event call-back was registered",
                           kErrInvalidCall);
    camera.remote = true;
    camera.remoteSource = source;
    camera.remoteCallback = callback;
    camera.remoteContext = context;
    camera.releaseKind = kReleaseKindPicture;
    return kOk;
  });
}

u32 remoteReleaseLeave(u32 source) {
  auto lock = lockState();
  State& s = state();
  Handle* handle = s.find(source, HandleKind::Source);
  if (handle == nullptr)
    return kErrInvalidHandle;
  Camera& camera = *s.cameras.at(static_cast<std::size_t>(handle->camera));
  if (handle->generation != camera.generation)
    return kErrDeviceNotFound;
  if (!inRemote(camera, source))
    return illegalLocked("remote-release mode left while not in it", kErrInvalidCall);
  s.waitForEvents(lock, camera);
  const bool bracket = camera.bracket;
  s.resetCamera(camera);
  camera.bracket = bracket;
  return kOk;
}

u32 selectReleaseKind(u32 source, u32 kind) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (kind != kReleaseKindPicture && kind != kReleaseKindWithExtras)
      return illegalLocked("release data kind " + std::to_string(kind), kErrInvalidParameter);
    if (!inRemote(camera, source))
      return illegalLocked("release data kind selected outside remote-release mode", kErrInvalidCall);
    camera.releaseKind = kind;
    return kOk;
  });
}

struct ReleasePlan {
  PictureParams picture;
  std::vector<u32> types;
  u32 rawSize = 0;
  u32 number = 0;
};

ReleasePlan planRelease(Camera& camera) {
  const CameraConfig& c = camera.config;
  ReleasePlan plan;
  plan.number = ++camera.pictureNumber;
  plan.types = camera.releaseKind == kReleaseKindWithExtras ? c.kind10Items : c.kind2Items;
  plan.rawSize = c.rawSize;
  PictureParams& p = plan.picture;
  for (const auto& resolution : c.resolutions)
    if (resolution.sizeCode == c.imageFormat.size) {
      p.width = resolution.width;
      p.height = resolution.height;
      break;
    }
  p.quality = c.jpegQuality;
  p.seed = plan.number + static_cast<u32>(camera.index) * 1000;
  p.model = c.model();
  p.software = c.firmware;
  p.clockSeconds = camera.clockNow();
  p.isoSpeed = isoSpeedOfCode(camera.value(ValueList::Iso));
  p.flash = exifFlashOfMode(camera.value(ValueList::Flash));
  p.whiteBalance = camera.value(ValueList::WhiteBalance) == 0 ? 0 : 1;
  const u32 span = c.zoomOptical == 0 ? 0 : std::min(camera.config.zoom, c.zoomOptical);
  p.focalLength = static_cast<u16>(
      c.focalShortest + (c.zoomOptical == 0 ? 0 : (c.focalLongest - c.focalShortest) * span / c.zoomOptical));
  p.focalBase = c.focalBase;
  p.exposureGiven = true;
  p.apertureCode = camera.value(ValueList::Aperture);
  p.exposureTimeCode = camera.value(ValueList::ExposureTime);
  p.exposureBiasCode = camera.value(ValueList::ExposureBias);
  return plan;
}

Item makeItem(const ReleasePlan& plan, u32 type) {
  char name[32];
  const char* extension = type == kItemTypeJpeg        ? "JPG"
                          : type == kItemTypeThumbnail ? "THM"
                          : type == kItemTypeRaw       ? "CRW"
                                                       : "DAT";
  std::snprintf(name, sizeof name, "IMG_%04u.%s", static_cast<unsigned>(plan.number % 10000), extension);
  Bytes data = type == kItemTypeJpeg        ? makeJpegPicture(plan.picture)
               : type == kItemTypeThumbnail ? makeThumbnail(plan.picture)
               : type == kItemTypeRaw       ? makeRawPicture(plan.picture, plan.rawSize)
                                            : makeRawPicture(plan.picture, 1024);
  return {type, name, std::make_shared<const Bytes>(std::move(data))};
}

u32 release(u32 source, u16 /*flag*/, ProgressCallback* callback, void* context, u32 option, u32* outCount,
            u32 reserved) {
  auto lock = lockState();
  u32 error = kOk;
  Camera* camera = sourceLocked(source, &error);
  if (camera == nullptr)
    return error;
  if (outCount == nullptr)
    return illegalLocked("release without a place for the item count", kErrInvalidPointer);
  if (option != kReleaseOption || reserved != 0)
    return illegalLocked("release with arguments " + std::to_string(option) + ", " + std::to_string(reserved),
                         kErrInvalidParameter);
  if (!inRemote(*camera, source))
    return illegalLocked("release outside remote-release mode", kErrInvalidCall);
  if (!camera->bracket)
    return illegalLocked("release without the call before a release", kErrInvalidCall);
  if (camera->config.remaining == 0)
    return kErrDeviceMemoryFull;
  const std::size_t index = static_cast<std::size_t>(camera->index);
  const u32 generation = camera->generation;
  const ReleasePlan plan = planRelease(*camera);
  lock.unlock();

  progress(callback, context, 0, kProgressStatusRelease);
  std::vector<Item> items;
  for (const u32 type : plan.types)
    items.push_back(makeItem(plan, type));
  progress(callback, context, 100, kProgressStatusRelease);

  lock.lock();
  if (!stillThere(index, generation, source))
    return kErrDeviceNotFound;
  Camera& c = *state().cameras[index];
  u64 total = 0;
  for (auto& item : items)
    total += item.data->size();
  if (!c.config.volumes.empty()) {
    VolumeConfig& volume = c.config.volumes.front();
    volume.items += static_cast<u32>(items.size());
    volume.freeSpace -= std::min<u64>(volume.freeSpace, total);
  }
  --c.config.remaining;
  ++state().counts.releases;
  c.pending.assign(items.begin(), items.end());
  c.lastRelease = std::move(items);
  c.recordGiven = false;
  *outCount = static_cast<u32>(c.pending.size());
  return kOk;
}

u32 itemNumber(const Camera& camera, std::size_t position) {
  return camera.pictureNumber * 16 +
         static_cast<u32>(camera.lastRelease.size() - camera.pending.size() + position);
}

// Writes the item through the family's stream; kOk or the failure.
u32 stream(const Bytes& data, CanonMemoryStreamRecord& stream, ProgressCallback* callback, void* context,
           std::size_t index, u32 generation, u32 source) {
  u32 err = 0;
  stream.open(stream.context, kStreamModeWrite, &err);
  if (err != kStreamOk)
    return kErrIncompleteTransfer;
  u32 chunking = 0;
  {
    auto lock = lockState();
    chunking = state().sdk.chunk;
  }
  std::size_t done = 0;
  u32 odd = 1;
  u32 result = kOk;
  while (done < data.size()) {
    {
      auto lock = lockState();
      if (!stillThere(index, generation, source)) {
        result = kErrDeviceNotFound;
        break;
      }
    }
    odd = (odd * 2654435761u + 7) % 4097;
    const u32 want =
        static_cast<u32>(std::min<std::size_t>(data.size() - done, chunking ? chunking : odd + 1));
    u32 size = want;
    stream.write(stream.context, data.data() + done, &size, &err);
    if (err != kStreamOk || size != want) {
      result = kErrIncompleteTransfer;
      break;
    }
    done += want;
    progress(callback, context, static_cast<u32>(done * 100 / data.size()), kProgressStatusTransfer);
  }
  if (result == kOk) {
    const std::int32_t at = stream.tell(stream.context, &err);
    if (err != kStreamOk || at != static_cast<std::int32_t>(data.size()))
      result = kErrIncompleteTransfer;
  }
  if (result == kOk) {
    stream.seek(stream.context, static_cast<std::int32_t>(data.size()), kSeekFromStart, &err);
    if (err != kStreamOk)
      result = kErrIncompleteTransfer;
  }
  stream.close(stream.context, &err);
  return result;
}

u32 releasedItem(u32 source, ProgressCallback* callback, void* context, u32 option,
                 CanonReleaseItemRecord* record, ReleaseDestination* destination, u32 reserved) {
  auto lock = lockState();
  u32 error = kOk;
  Camera* camera = sourceLocked(source, &error);
  if (camera == nullptr)
    return error;
  if (record == nullptr)
    return illegalLocked("released item asked without a record", kErrInvalidPointer);
  if (reserved != 0)
    return illegalLocked("released item asked with a non-zero last argument", kErrInvalidParameter);
  if (camera->pending.empty() || !inRemote(*camera, source))
    return illegalLocked("released item asked with nothing pending", kErrInvalidCall);
  const Item& item = camera->pending.front();
  if (destination == nullptr) {
    std::memset(record, 0, sizeof *record);
    record->itemNumber = itemNumber(*camera, 0);
    record->dataType = item.type;
    record->dataSize = static_cast<u32>(item.data->size());
    std::snprintf(record->fileName, sizeof record->fileName, "%s", item.fileName.c_str());
    camera->recordGiven = true;
    return kOk;
  }
  if (!camera->recordGiven)
    return illegalLocked("item transferred before its record was asked", kErrInvalidCall);
  if (record->itemNumber != itemNumber(*camera, 0))
    return illegalLocked("item transferred with another item's record", kErrInvalidParameter);
  if (option != kReleaseOption || destination->kind != kDestinationMemoryStream)
    return illegalLocked("transfer with option " + std::to_string(option) + " to destination kind " +
                             std::to_string(destination->kind),
                         kErrInvalidParameter);
  CanonMemoryStreamRecord* target = destination->stream;
  if (target == nullptr || !target->open || !target->close || !target->write || !target->seek ||
      !target->tell)
    return illegalLocked("transfer into a stream without its call-backs", kErrInvalidPointer);
  const std::shared_ptr<const Bytes> data = item.data;
  const std::size_t index = static_cast<std::size_t>(camera->index);
  const u32 generation = camera->generation;
  lock.unlock();

  const u32 result = stream(*data, *target, callback, context, index, generation, source);

  lock.lock();
  if (result != kOk || !stillThere(index, generation, source))
    return result != kOk ? result : kErrDeviceNotFound;
  Camera& c = *state().cameras[index];
  if (!c.pending.empty() && c.pending.front().data == data) {
    c.pending.pop_front();
    c.recordGiven = false;
  }
  ++state().counts.transfers;
  return kOk;
}

u32 viewfinderStart(u32 source, u32 reserved, ViewfinderCallback* callback, void* context) {
  auto lock = lockState();
  u32 error = kOk;
  Camera* camera = sourceLocked(source, &error);
  if (camera == nullptr)
    return error;
  if ((camera->config.flags & kFlagLiveViewfinder) == 0)
    return kErrNotSupported;
  if (reserved != 0 || callback == nullptr)
    return illegalLocked("viewfinder started without a call-back or with a non-zero second argument",
                         kErrInvalidParameter);
  if (camera->viewfinder && camera->viewfinder->onFrameThread())
    return illegalLocked("viewfinder restarted from its own frame call-back", kErrInvalidCall);
  const std::size_t index = static_cast<std::size_t>(camera->index);
  const u32 generation = camera->generation;
  std::unique_ptr<Viewfinder> old = std::move(camera->viewfinder);
  if (old) {
    lock.unlock();
    old.reset();
    lock.lock();
    if (!stillThere(index, generation, source))
      return kErrDeviceNotFound;
  }
  Viewfinder::Settings settings{state().sdk.frameWidth, state().sdk.frameHeight, state().sdk.frameRate};
  auto deliverable = [index, generation] {
    auto guard = lockState();
    const auto& cameras = state().cameras;
    return index < cameras.size() && cameras[index]->plugged && cameras[index]->generation == generation;
  };
  auto delivered = [](std::chrono::milliseconds took) {
    auto guard = lockState();
    ++state().counts.framesDelivered;
    if (took > kSlowCallback)
      ++state().counts.slowCallbacks;
  };
  state().cameras[index]->viewfinderSource = source;
  state().cameras[index]->viewfinder =
      std::make_unique<Viewfinder>(callback, context, settings, deliverable, delivered);
  return kOk;
}

u32 viewfinderStop(u32 source, u32 reserved) {
  auto lock = lockState();
  Handle* handle = state().find(source, HandleKind::Source);
  if (handle == nullptr)
    return kErrInvalidHandle;
  if (reserved != 0)
    return illegalLocked("viewfinder stopped with a non-zero second argument", kErrInvalidParameter);
  Camera& camera = *state().cameras.at(static_cast<std::size_t>(handle->camera));
  if (camera.viewfinderSource != source)
    return kOk; // nothing runs for this handle
  if (camera.viewfinder && camera.viewfinder->onFrameThread())
    return illegalLocked("viewfinder stopped from its own frame call-back", kErrInvalidCall);
  std::unique_ptr<Viewfinder> running = std::move(camera.viewfinder);
  lock.unlock();
  running.reset(); // joins the frame thread: no frame call-back runs after this returns
  return kOk;
}

u32 viewfinderOutput(u32 source, u32 output) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if ((camera.config.flags & kFlagLiveViewfinder) == 0)
      return kErrNotSupported;
    if (output != kViewfinderOutputMonitorOn && output != kViewfinderOutputMonitorOff)
      return illegalLocked("viewfinder output " + std::to_string(output), kErrInvalidParameter);
    camera.output = output;
    return kOk;
  });
}

} // namespace

void fillReleaseEntries(CanonSdkFunctionTable& table) {
  CDSIM_INSTALL(table, BeforeRelease, beforeRelease);
  CDSIM_INSTALL(table, AfterTransfer, afterTransfer);
  CDSIM_INSTALL(table, RemoteReleaseEnter, remoteReleaseEnter);
  CDSIM_INSTALL(table, RemoteReleaseLeave, remoteReleaseLeave);
  CDSIM_INSTALL(table, SelectReleaseKind, selectReleaseKind);
  CDSIM_INSTALL(table, Release, release);
  CDSIM_INSTALL(table, ReleasedItem, releasedItem);
  CDSIM_INSTALL(table, ViewfinderStart, viewfinderStart);
  CDSIM_INSTALL(table, ViewfinderStop, viewfinderStop);
  CDSIM_INSTALL(table, ViewfinderOutput, viewfinderOutput);
}

} // namespace tarsel::cdsim
