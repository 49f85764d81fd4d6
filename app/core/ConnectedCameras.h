// The connected-camera list of discovery: cameras in the order of Add. It
// owns them; Remove and RemoveAt hand a camera over to the caller (a camera
// window taking it) without deleting it.
//
// No lock of its own: it is filled and read on the user-interface thread.
// Add owns the camera from the call on: when it cannot be stored it is
// deleted and error 8 is thrown. A null camera, or one already in the list,
// is not added a second time, so that no camera can be deleted twice.
#pragma once

#include "TarselCore_export.h"
#include "app/core/IConnectedCameras.h"

#include <vector>

class TARSELCORE_EXPORT CConnectedCameras : public IConnectedCameras {
public:
  CConnectedCameras() = default;
  CConnectedCameras(const CConnectedCameras&) = delete;
  CConnectedCameras& operator=(const CConnectedCameras&) = delete;
  ~CConnectedCameras() override;

  void Add(ICameraHiLevel* camera) override;
  void RemoveAndDeleteAt(int index) override;
  void RemoveAndDelete(ICameraHiLevel* camera) override;
  int GetCount() override;
  ICameraHiLevel* GetAt(int index) override;
  void Clear() override;

  // Erases the entry at the index without deleting its camera; nothing when
  // out of range.
  virtual void RemoveAt(int index);
  // Erases the first equal entry without deleting the camera.
  virtual void Remove(ICameraHiLevel* camera);

private:
  std::vector<ICameraHiLevel*> m_cameras;
};
