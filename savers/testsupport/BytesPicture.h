// A picture that is only its bytes and names: what the file saver reads of a
// picture, for its tests and its benchmark. Lives on the stack or in the
// caller's ownership; reference counting is not used.
#pragma once

#include "hostapi/IPictureFromCamera.h"

#include <QImage>

#include <memory>
#include <string>

// A picture that is only its bytes and names.
class BytesPicture : public IPictureFromCamera {
public:
  explicit BytesPicture(std::shared_ptr<const Bytes> bytes, std::string extension = ".JPG")
      : m_bytes(std::move(bytes)), m_extension(std::move(extension)) {}
  explicit BytesPicture(const std::string& bytes, std::string extension = ".JPG")
      : BytesPicture(std::make_shared<const Bytes>(bytes.begin(), bytes.end()), std::move(extension)) {}

  const BYTE* GetData() override { return m_bytes->data(); }
  DWORD GetDataSize() override { return static_cast<DWORD>(m_bytes->size()); }
  std::shared_ptr<const Bytes> GetDataSnapshot() override { return m_bytes; }
  const char* GetFileName() override { return fileName.c_str(); }
  void SetFileName(const char* name) override { fileName = name; }
  const char* GetTypeName() override { return "JPEG"; }
  const char* GetExtension() override { return m_extension.c_str(); }
  std::int32_t GetImageType() override { return 1; }

  void SetImage(const void*, DWORD, const char*, IPictureInfo*) override {}
  void Decode(DWORD, DWORD) override {}
  void DecodeRect(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
  bool HasBitmap() override { return false; }
  void Rotate(std::int32_t, bool) override {}
  DWORD GetPictureWidth() override { return 0; }
  DWORD GetPictureHeight() override { return 0; }
  DWORD GetBitmapWidth() override { return 0; }
  DWORD GetBitmapHeight() override { return 0; }
  DWORD GetScaleDenominator() override { return 1; }
  DWORD GetScaleNumerator() override { return 1; }
  bool GetExifBlock(const BYTE**, DWORD*, bool*) override { return false; }
  const void* GetPackedDib() override { return nullptr; }
  DWORD GetPackedDibSize() override { return 0; }
  void* GetBitmapBits() override { return nullptr; }
  std::int32_t Draw(QPainter*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                    std::int32_t) override {
    return 0;
  }
  void SaveToFile(const char*) override {}
  void FreeImageData() override {}
  IPictureInfo* GetPictureInfo() override { return nullptr; }
  ICamExtraCommand* GetExtraCommand() override { return nullptr; }
  void SetExtraCommand(const ICamExtraCommand*) override {}
  void Clone(IPictureFromCamera** out) override { *out = nullptr; }
  BYTE SetImageFlag(BYTE) override { return 0; }
  QImage CreateDibSection() override { return {}; }

  std::string fileName;

private:
  std::shared_ptr<const Bytes> m_bytes;
  std::string m_extension;
};
