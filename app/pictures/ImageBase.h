// The base of the image classes (one per file format): the encoded bytes
// exactly as the camera delivered them, the bitmap decoded from them with the
// scale of that decode, the error of the last failed decode, and the image
// flag that makes decode failures reach the caller too.
//
// The encoded bytes are immutable once set: SetData and a rotation put a new
// buffer in place, so a holder of GetDataBuffer keeps a whole, unchanging
// copy whatever happens to the image afterwards.
//
// Threads: an image belongs to one picture record, which serialises every
// call into it. Failures of decoding, rotation or Exif extraction are kept as
// the decode error (Draw then paints the failure panel) and, while the image
// flag is set, thrown on to the caller (KeepFailure).
#pragma once

#include "TarselPictures_export.h"
#include "app/pictures/DibBuffer.h"
#include "env/BrantelTakeError.h"
#include "hostapi/Win32Types.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

class QImage;
class QPainter;

class TARSELPICTURES_EXPORT CImageBase {
public:
  using Bytes = std::vector<BYTE>;
  using BytesPtr = std::shared_ptr<const Bytes>;

  // Image types of GetImageType.
  enum : std::int32_t { TypeJpeg = 1, TypeTiff = 2, TypeRaw = 3 };
  // Bitmap size reported while nothing is decoded.
  static constexpr DWORD kDefaultBitmapWidth = 640;
  static constexpr DWORD kDefaultBitmapHeight = 480;

  CImageBase() = default;
  CImageBase(const CImageBase&) = delete;
  CImageBase& operator=(const CImageBase&) = delete;
  virtual ~CImageBase();

  virtual void Decode(DWORD scaleNumerator, DWORD scaleDenominator) = 0;
  virtual void DecodeRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) = 0;
  // The Exif block: *data and *size set, *copied true when the caller must
  // free the block (delete[]). The outputs are null, 0 and false until a
  // block is found: a JPEG without an Exif marker answers true with no block.
  virtual bool GetExifBlock(const BYTE** data, DWORD* size, bool* copied) = 0;
  virtual bool HasBitmap() = 0;
  // Code 1, 2, 3: 90, 180, 270 degrees clockwise; redecode decodes the
  // rotated picture again at the scale in force.
  virtual void Rotate(std::int32_t code, bool redecode) = 0;
  virtual DWORD GetPictureWidth() = 0;
  virtual DWORD GetPictureHeight() = 0;
  // The bitmap's size, 640 x 480 without a bitmap.
  virtual DWORD GetBitmapWidth();
  virtual DWORD GetBitmapHeight();
  // Paints the part of the bitmap at (sourceX, sourceY from the top) of
  // width x height (-1: the bitmap's) at (x, y); returns the rows drawn.
  // Without a bitmap it paints the failure panel when a decode failed, and
  // nothing otherwise.
  virtual std::int32_t Draw(QPainter* painter, std::int32_t x, std::int32_t y, std::int32_t sourceX,
                            std::int32_t sourceY, std::int32_t width, std::int32_t height);
  // Writes the encoded bytes, as they are, to a new or truncated file.
  virtual void SaveToFile(const char* path);
  virtual void Clone(CImageBase** out) = 0;
  virtual const char* GetTypeName() = 0;
  virtual const char* GetExtension() = 0;
  virtual std::int32_t GetImageType() = 0;

  // Keeps a copy of the bytes and starts over: no bitmap, scale 1/1, no
  // decode error. Allocation failure throws error 8 and changes nothing.
  void SetData(const void* bytes, DWORD size);
  // Takes a copy of the other's bytes (and of its bitmap when asked) and its
  // scale; the decode error and the image flag stay this image's own.
  void Assign(const CImageBase& other, bool copyBitmap);
  // Frees bitmap and bytes, scale 1/1, no decode error.
  void FreeImageData();
  // Keeps a plain copy of the error (code, message, explanation); nothing
  // is kept, and nothing thrown, when there is no memory for it.
  void SetDecodeError(const _brantel_take_error& error);
  const _brantel_take_error* GetDecodeError() const { return m_decodeError.get(); }
  BYTE SetImageFlag(BYTE flag);
  BYTE GetImageFlag() const { return m_imageFlag; }

  const BYTE* GetData() const;
  DWORD GetDataSize() const;
  BytesPtr GetDataBuffer() const { return m_data; }
  DWORD GetScaleNumerator() const { return m_scaleNumerator; }
  DWORD GetScaleDenominator() const { return m_scaleDenominator; }

  // The packed bitmap (header, then rows), its size and its rows; null and
  // 0 without a bitmap.
  const void* GetPackedDib() const;
  DWORD GetPackedDibSize() const;
  void* GetBitmapBits() const;
  // A top-down copy of the bitmap; a null image without a bitmap or memory.
  QImage CreateDibSection() const;

  // Writes `bytes` to a new or truncated file at `path`; a failure throws
  // its Win32 number, and a partly written file is removed.
  static void WriteBytesToFile(const char* path, const Bytes& bytes);

protected:
  // Replaces the bytes, keeping bitmap and scale (a rotation's new file).
  void ReplaceData(Bytes bytes);
  void SetScale(DWORD numerator, DWORD denominator);
  const CDibBuffer* Bitmap() const { return m_bitmap.get(); }
  // Makes an empty bitmap the current one and returns it.
  CDibBuffer& NewBitmap();
  void DestroyBitmap() { m_bitmap.reset(); }
  // Keeps the failure in flight (a _brantel_take_error, else 0x8000FFFF) as
  // the decode error and throws it on while the image flag is set. Call it
  // from a catch clause.
  void KeepFailure(std::exception_ptr failure);

private:
  void PaintFailurePanel(QPainter& painter);

  std::unique_ptr<CDibBuffer> m_bitmap;
  BytesPtr m_data;
  DWORD m_scaleDenominator = 1;
  DWORD m_scaleNumerator = 1;
  std::unique_ptr<_brantel_take_error> m_decodeError;
  BYTE m_imageFlag = 0;
};
