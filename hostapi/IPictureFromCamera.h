// One picture as it travels through the program: a taken picture, a
// downloaded stored picture or a live-preview frame. Reference counted: the
// creator holds one reference, every further holder takes its own, and the
// last Release deletes the picture with everything it owns.
//
// Holders on different threads (camera worker, user-interface thread, save
// thread, preview thread) may call it at the same time. GetDataSnapshot is
// the way for a thread to read the encoded bytes while another may rotate
// the picture: the snapshot stays whole and unchanged for as long as it is
// held. GetData and GetDataSize pair up per thread (see CPictureFromCamera).
// The bitmap and the objects handed out by GetPictureInfo and
// GetExtraCommand belong to the user-interface thread, which decodes,
// rotates and replaces them.
#pragma once

#include "hostapi/RefCounted.h"
#include "hostapi/Win32Types.h"

#include <cstdint>
#include <memory>
#include <vector>

class ICamExtraCommand;
class IPictureInfo;
class QImage;
class QPainter;

class IPictureFromCamera : public CRefCounted {
public:
  using Bytes = std::vector<BYTE>;

  // Replaces the image by one made from a copy of the bytes, its class
  // chosen from the bytes (raw pictures take the extension), and the picture
  // information by a Clone of info (none when null). The caller keeps its
  // bytes and its info.
  virtual void SetImage(const void* bytes, DWORD size, const char* rawExtension, IPictureInfo* info) = 0;
  virtual void Decode(DWORD scaleNumerator, DWORD scaleDenominator) = 0;
  virtual void DecodeRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) = 0;
  virtual bool HasBitmap() = 0;
  // Code 1, 2, 3: 90, 180, 270 degrees clockwise.
  virtual void Rotate(std::int32_t code, bool redecode) = 0;
  virtual DWORD GetPictureWidth() = 0;
  virtual DWORD GetPictureHeight() = 0;
  virtual DWORD GetBitmapWidth() = 0;
  virtual DWORD GetBitmapHeight() = 0;
  virtual DWORD GetScaleDenominator() = 0;
  virtual DWORD GetScaleNumerator() = 0;
  virtual const BYTE* GetData() = 0;
  virtual DWORD GetDataSize() = 0;
  // When *copied comes back true the caller frees *data with delete[].
  virtual bool GetExifBlock(const BYTE** data, DWORD* size, bool* copied) = 0;
  virtual const void* GetPackedDib() = 0;
  virtual DWORD GetPackedDibSize() = 0;
  virtual void* GetBitmapBits() = 0;
  virtual std::int32_t Draw(QPainter* painter, std::int32_t x, std::int32_t y, std::int32_t sourceX,
                            std::int32_t sourceY, std::int32_t width, std::int32_t height) = 0;
  virtual void SaveToFile(const char* path) = 0;
  virtual void FreeImageData() = 0;
  virtual const char* GetFileName() = 0;
  virtual const char* GetTypeName() = 0;
  virtual const char* GetExtension() = 0;
  virtual std::int32_t GetImageType() = 0;
  virtual void SetFileName(const char* name) = 0;
  virtual IPictureInfo* GetPictureInfo() = 0;
  virtual ICamExtraCommand* GetExtraCommand() = 0;
  virtual void SetExtraCommand(const ICamExtraCommand* command) = 0;
  // *out becomes a deep copy with reference count 0; the caller takes its
  // reference.
  virtual void Clone(IPictureFromCamera** out) = 0;
  virtual BYTE SetImageFlag(BYTE flag) = 0;
  // A top-down copy of the bitmap; a null image without one.
  virtual QImage CreateDibSection() = 0;
  // The encoded bytes as they are now, whole; null without an image.
  virtual std::shared_ptr<const Bytes> GetDataSnapshot() = 0;
};
