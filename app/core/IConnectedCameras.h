// The list of cameras found by discovery. The list owns every camera in it:
// deleting operations delete through the camera's virtual destructor.
#pragma once

#include "TarselCore_export.h"

class ICameraHiLevel;

class TARSELCORE_EXPORT IConnectedCameras {
public:
  virtual ~IConnectedCameras() = default;

  // Appends the camera; the list owns it from the call on.
  virtual void Add(ICameraHiLevel* camera) = 0;
  // RemoveAndDelete of the camera at the index; nothing when out of range.
  virtual void RemoveAndDeleteAt(int index) = 0;
  // Deletes the first equal entry's camera and erases it; nothing when absent.
  virtual void RemoveAndDelete(ICameraHiLevel* camera) = 0;
  virtual int GetCount() = 0;
  // Null when the index is negative or not below the count.
  virtual ICameraHiLevel* GetAt(int index) = 0;
  // Deletes every camera in order, then empties the list.
  virtual void Clear() = 0;
};
