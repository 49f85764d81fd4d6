#include "app/core/ConnectedCameras.h"

#include "app/core/ICameraHiLevel.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <new>
#include <utility>

CConnectedCameras::~CConnectedCameras() {
  Clear();
}

void CConnectedCameras::Add(ICameraHiLevel* camera) {
  if (!camera || std::find(m_cameras.begin(), m_cameras.end(), camera) != m_cameras.end())
    return;
  try {
    m_cameras.push_back(camera);
  } catch (const std::bad_alloc&) {
    delete camera;
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  }
}

void CConnectedCameras::RemoveAndDeleteAt(int index) {
  RemoveAndDelete(GetAt(index));
}

void CConnectedCameras::RemoveAndDelete(ICameraHiLevel* camera) {
  if (!camera)
    return;
  const auto it = std::find(m_cameras.begin(), m_cameras.end(), camera);
  if (it == m_cameras.end())
    return;
  // Erase first, so the list never holds a deleted camera even if the
  // destructor misbehaves.
  m_cameras.erase(it);
  delete camera;
}

int CConnectedCameras::GetCount() {
  return static_cast<int>(m_cameras.size());
}

ICameraHiLevel* CConnectedCameras::GetAt(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_cameras.size())
    return nullptr;
  return m_cameras[static_cast<std::size_t>(index)];
}

void CConnectedCameras::Clear() {
  std::vector<ICameraHiLevel*> cameras = std::exchange(m_cameras, {});
  for (ICameraHiLevel* camera : cameras)
    delete camera;
}

void CConnectedCameras::RemoveAt(int index) {
  Remove(GetAt(index));
}

void CConnectedCameras::Remove(ICameraHiLevel* camera) {
  if (!camera)
    return;
  const auto it = std::find(m_cameras.begin(), m_cameras.end(), camera);
  if (it != m_cameras.end())
    m_cameras.erase(it);
}
