#include "LunetTestSupport.h"

#include <cstdlib>

#include <openssl/evp.h>

namespace tarsel::lunet::test {

std::unique_ptr<vantic::test::SimProcess> startSerialCamera(const tarsel::test::TempDir& dir,
                                                            const std::string& configFile) {
  if (!vantic::test::SimProcess::pythonAvailable())
    return nullptr;
  auto sim = std::make_unique<vantic::test::SimProcess>(
      std::vector<std::string>{"--serial", "--time-scale", "0", "--max-speed", "3", "--config", configFile});
  if (!sim->ready())
    return nullptr;
  ::setenv("TARSEL_VANTIC_COM1", sim->endpoint().c_str(), 1);
  for (const char* name : {"TARSEL_VANTIC_COM2", "TARSEL_VANTIC_COM3", "TARSEL_VANTIC_COM4"})
    ::setenv(name, dir.file("no-tty").c_str(), 1);
  ::setenv("TARSEL_VANTIC_USB", ("sim:" + dir.file("no-usb.sock")).c_str(), 1);
  return sim;
}

std::string sha256Hex(std::span<const std::uint8_t> bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned int i = 0; i < length; ++i) {
    out += digits[digest[i] >> 4];
    out += digits[digest[i] & 15];
  }
  return out;
}

HRESULT ProgressSink::QueryInterface(const IID& iid, void** object) {
  if (iid != IID_IUnknown && iid != IID_IDispatch) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  *object = static_cast<IDispatch*>(this);
  return S_OK;
}

HRESULT ProgressSink::Invoke(DISPID id, WORD, std::span<com::Variant> args, com::Variant*, EXCEPINFO*) {
  std::int16_t percent = 0;
  if (id != 1 || args.size() != 1 || FAILED(args[0].asShort(percent)))
    return DISP_E_MEMBERNOTFOUND;
  seen.push_back(percent);
  if (cancelFrom != nullptr) {
    com::Variant one = com::Variant::fromLong(1);
    cancelFrom->Invoke(cancelId, DISPATCH_PROPERTYPUT, std::span(&one, 1), nullptr, nullptr);
  }
  return S_OK;
}

} // namespace tarsel::lunet::test
