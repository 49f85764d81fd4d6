// The picture record: one image (its class chosen by the image factory), the
// camera's file name, the camera's picture information and an optional extra
// command.
//
// Threads: every operation runs under the record's own lock, so holders on
// different threads never see an image, a name or bytes half replaced. The
// encoded bytes are never changed in place: a rotation or SetImage puts new
// bytes in, and bytes already handed out stay alive:
// - GetDataSnapshot shares the current bytes for as long as it is held;
// - GetData and GetDataSize pair up per calling thread, in either order:
//   the second call of a pair answers from the same bytes as the first, so
//   a saver that writes GetDataSize bytes from GetData gets one whole
//   version even while another thread rotates the picture. The bytes stay
//   alive until that thread's next pair (or the record's end);
// - every file name set stays alive until the record's end;
// - type names and extensions live for the whole run.
// A record without an image answers with defaults (no data, size 0, scale
// 1 over 0, 640 x 480, empty names); decoding, rotating and drawing it do
// nothing, and saving it fails with error 13 (the data is invalid).
#pragma once

#include "TarselPictures_export.h"
#include "app/pictures/ImageBase.h"
#include "hostapi/IPictureFromCamera.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

class CCamExtraCommand;

class TARSELPICTURES_EXPORT CPictureFromCamera : public IPictureFromCamera {
public:
  CPictureFromCamera();
  ~CPictureFromCamera() override;

  void SetImage(const void* bytes, DWORD size, const char* rawExtension, IPictureInfo* info) override;
  void Decode(DWORD scaleNumerator, DWORD scaleDenominator) override;
  void DecodeRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) override;
  bool HasBitmap() override;
  void Rotate(std::int32_t code, bool redecode) override;
  DWORD GetPictureWidth() override;
  DWORD GetPictureHeight() override;
  DWORD GetBitmapWidth() override;
  DWORD GetBitmapHeight() override;
  DWORD GetScaleDenominator() override;
  DWORD GetScaleNumerator() override;
  const BYTE* GetData() override;
  DWORD GetDataSize() override;
  bool GetExifBlock(const BYTE** data, DWORD* size, bool* copied) override;
  const void* GetPackedDib() override;
  DWORD GetPackedDibSize() override;
  void* GetBitmapBits() override;
  std::int32_t Draw(QPainter* painter, std::int32_t x, std::int32_t y, std::int32_t sourceX,
                    std::int32_t sourceY, std::int32_t width, std::int32_t height) override;
  void SaveToFile(const char* path) override;
  void FreeImageData() override;
  const char* GetFileName() override;
  const char* GetTypeName() override;
  const char* GetExtension() override;
  std::int32_t GetImageType() override;
  void SetFileName(const char* name) override;
  IPictureInfo* GetPictureInfo() override;
  ICamExtraCommand* GetExtraCommand() override;
  void SetExtraCommand(const ICamExtraCommand* command) override;
  void Clone(IPictureFromCamera** out) override;
  BYTE SetImageFlag(BYTE flag) override;
  QImage CreateDibSection() override;
  std::shared_ptr<const Bytes> GetDataSnapshot() override;

private:
  // The bytes one thread's GetData/GetDataSize pair answers from.
  struct ReaderPin {
    CImageBase::BytesPtr bytes;
    bool dataTaken = false;
    bool sizeTaken = false;
  };
  const ReaderPin& PinForThisThread(bool forData);

  std::mutex m_lock;
  std::unique_ptr<CImageBase> m_image;
  std::deque<std::string> m_fileNames; // the current one last
  std::unique_ptr<IPictureInfo> m_info;
  std::unique_ptr<CCamExtraCommand> m_extraCommand;
  std::unordered_map<std::uint64_t, ReaderPin> m_pins; // by reader thread
};
