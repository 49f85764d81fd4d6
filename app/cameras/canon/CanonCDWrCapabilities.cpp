// The Canon camera's capability detection run and the upkeep of its
// description file: the value tables it offers, the file's name, saving and
// loading it.
#include "app/cameras/canon/CanonCDWr.h"

#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CanonCapabilityDetection.h"
#include "app/cameras/canon/CanonDeviceProps.h"
#include "app/cameras/canon/CanonFailureReport.h"
#include "app/cameras/common/ModelFile.h"
#include "app/core/ICapabilitiesCallback.h"
#include "app/core/RangeItem.h"
#include "env/BrantelTakeError.h"
#include "platform/PrivateProfile.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using namespace tarsel::canon;
namespace cd = tarsel::cdsdk;

namespace {

bool fileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

} // namespace

HRESULT CanonCD_Wr::ObtainCapabilitiesFromCamera(_ICapabilitiesCallback* log) {
  std::uint32_t source = 0;
  try {
    if (!log)
      throw _brantel_take_error(E_INVALIDARG);
    const CameraCallLock lock(m_lock);
    source = SourceHandle();
    Connect();
    struct Closing {
      CanonCD_Wr& camera;
      std::uint32_t source;
      // The SDK's after-transfer call ends every run, still under the lock.
      ~Closing() {
        camera.DisConnect();
        CallQuietly<cd::kEntryAfterTransfer>(source);
      }
    } closing{*this, source};
    CallQuietly<cd::kEntryBeforeRelease>(source);
    m_capabilities.Clear();
    CCanonDeviceProps props(source);
    CCanonCapabilityDetection detection(source, m_capabilities, *log, [this] {
      m_afLockSupport = 0;
      std::uint32_t word = 0;
      GetAFLockSupport(&word);
      return word;
    });
    detection.Run(props);
    return 0;
  } catch (const CCanonCapabilityDetection::Stopped&) {
    return CCanonCapabilityDetection::kStopped;
  } catch (const _brantel_take_error& error) {
    ReportCanonFailure(error, "CanonCD_Wr::ObtainCapabilitiesFromCamera", nullptr);
    return error.Error();
  } catch (...) {
    ReportCanonFailure(_brantel_take_error(kCanonUnexpectedOther), "CanonCD_Wr::ObtainCapabilitiesFromCamera",
                       nullptr);
    return E_UNEXPECTED;
  }
}

const tarsel::core::CapabilityValue* CanonCD_Wr::GetValueTable(const char* name) {
  if (!name)
    return nullptr;
  const CameraCallLock lock(m_lock);
  if (std::strcmp(name, CCanonCapabilities::kResolutionName) == 0) {
    CCanonResolutionSet* set = m_capabilities.Resolutions();
    return set ? set->GetValues() : nullptr;
  }
  CCapabilitySet* set = m_capabilities.Find(name);
  return set && !set->IsUnsupported() ? set->GetValues() : nullptr;
}

void CanonCD_Wr::GetProfileFileName(char* buffer, std::uint32_t* size) {
  if (!size)
    return;
  const std::string path = BuildProfilePath();
  if (buffer && *size > path.size())
    std::memcpy(buffer, path.c_str(), path.size() + 1);
  *size = static_cast<std::uint32_t>(path.size());
}

void CanonCD_Wr::SaveCapabilitiesToFile(const char* path) {
  const CameraCallLock lock(m_lock);
  const std::string modelFile = BuildProfilePath();
  const std::string file = path && *path ? std::string(path) : modelFile;
  // The sections go into a scratch copy that replaces the file whole, so no
  // writer's lock file stays beside it.
  tarsel::cameras::ReplaceModelFile(file, [this](const std::string& target) {
    for (int capability = 0; capability < kCapabilityCount; ++capability)
      if (CCapabilitySet* set = m_capabilities.Set(capability))
        set->SaveToIni(target.c_str());
    if (CCanonResolutionSet* resolutions = m_capabilities.Resolutions())
      resolutions->SaveToIni(target.c_str());
    if (const CRangeItemD* zoom = m_capabilities.OpticalZoom())
      zoom->SaveToIni(target.c_str());
    const std::string word = std::to_string(m_afLockSupport);
    if (!WritePrivateProfileStringA("FocusParams", "SupportedFocusModes", word.c_str(), target.c_str()))
      CRangeItem::ThrowSaveError();
  });
  // A detection leaves the cache built piece by piece, never marked
  // complete: what the model's file now holds is what the camera knows.
  if (file == modelFile)
    LoadCameraCapabilities();
}

void CanonCD_Wr::DeleteCapabilityProfile(const char* path) {
  const std::string file = path && *path ? std::string(path) : BuildProfilePath();
  if (!fileExists(file))
    return;
  if (std::remove(file.c_str()) != 0)
    throw _brantel_take_error(static_cast<HRESULT>(Win32FromErrno(errno)), file.c_str());
  LoadCameraCapabilities();
}
