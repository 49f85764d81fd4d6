#include "platform/com/ComLibrary.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ConnectionPoints.h"
#include "platform/com/Dispatch.h"
#include "platform/com/RegisterServerCommand.h"

#include "hostapi/RefPtr.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace tarsel::com;
using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;

namespace {

constexpr CLSID kTestClsid{0x1E57C0DE, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr IID kTestEvents{0x1E57C0DE, 0x0001, 0x0003, {1, 2, 3, 4, 5, 6, 7, 8}};

int runCommand(const std::vector<std::string>& arguments, std::string* output = nullptr) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = runRegisterServerCommand(arguments, out, err);
  if (output != nullptr)
    *output = out.str() + err.str();
  return status;
}

// An event sink that keeps the values it was called with.
class Sink : public IDispatch {
public:
  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (iid != IID_IUnknown && iid != IID_IDispatch)
      return *object = nullptr, E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT GetIDsOfNames(std::string_view, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID, WORD, std::span<Variant> args, Variant*, EXCEPINFO*) override {
    std::int32_t value = 0;
    args[0].asLong(value);
    seen.push_back(value);
    return S_OK;
  }
  ULONG refs = 1;
  std::vector<std::int32_t> seen;
};

} // namespace

TEST(ComLibrary, RegisterCreateFireUnloadAndUnregister) {
  TempDir dir;
  ScopedEnv path("TARSEL_COM_PATH", dir.path());
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID("TARSEL.TestObject.1", &clsid), REGDB_E_CLASSNOTREG);

  std::string output;
  ASSERT_EQ(runCommand({TARSEL_TEST_SERVER_PATH}, &output), 0) << output;
  const auto record = findClass(kTestClsid);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->name, "Test Object");
  EXPECT_EQ(record->library, TARSEL_TEST_SERVER_PATH);
  EXPECT_TRUE(tarsel::test::readFile(dir.file(StringFromGUID(kTestClsid) + ".class"))
                  .find("ProgID=TARSEL.TestObject.1") != std::string::npos);

  ASSERT_EQ(CLSIDFromProgID("tarsel.testobject.1", &clsid), S_OK);
  EXPECT_EQ(clsid, kTestClsid);
  IDispatch* raw = nullptr;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, IID_IDispatch, reinterpret_cast<void**>(&raw)), S_OK);
  CRefPtr<IDispatch> object;
  object.Attach(raw);

  // Events reach an advised sink, and stop once it is unadvised.
  IConnectionPointContainer* container = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)),
            S_OK);
  IConnectionPoint* point = nullptr;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &point), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(container->FindConnectionPoint(kTestEvents, &point), S_OK);
  container->Release();
  Sink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  Variant args[] = {Variant::fromLong(5)};
  EXPECT_EQ(object->Invoke(1, DISPATCH_METHOD, args, nullptr, nullptr), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(object->Invoke(1, DISPATCH_METHOD, args, nullptr, nullptr), S_OK);
  EXPECT_EQ(sink.seen, std::vector<std::int32_t>{5});
  EXPECT_EQ(sink.refs, 1u);
  point->Release();

  // The library stays while an object of it lives.
  CoFreeUnusedLibraries();
  EXPECT_EQ(loadedLibraryCount(), 1);
  object.Release();
  CoFreeUnusedLibraries();
  EXPECT_EQ(loadedLibraryCount(), 0);

  ASSERT_EQ(runCommand({"-u", TARSEL_TEST_SERVER_PATH}), 0);
  EXPECT_FALSE(findClass(kTestClsid));
  EXPECT_EQ(CoCreateInstance(kTestClsid, nullptr, IID_IDispatch, reinterpret_cast<void**>(&raw)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(raw, nullptr);
}

TEST(ComLibrary, ReportsLibrariesThatCannotServe) {
  TempDir dir;
  TempDir user;
  ScopedEnv path("TARSEL_COM_PATH", dir.path() + ":" + user.path());
  // A record in a later folder of the path is found too.
  ClassRecord record;
  record.clsid = kTestClsid;
  record.library = dir.file("missing.so");
  ASSERT_EQ(registerClass(record), S_OK);
  ASSERT_EQ(std::rename(dir.file(StringFromGUID(kTestClsid) + ".class").c_str(),
                        user.file(StringFromGUID(kTestClsid) + ".class").c_str()),
            0);
  void* object = nullptr;
  EXPECT_EQ(CoCreateInstance(kTestClsid, nullptr, IID_IUnknown, &object), CO_E_DLLNOTFOUND);
  // A library without DllGetClassObject.
  record.library = TARSEL_TEST_MODULE_PATH;
  ASSERT_EQ(registerClass(record), S_OK);
  EXPECT_EQ(CoCreateInstance(kTestClsid, nullptr, IID_IUnknown, &object), CO_E_ERRORINDLL);
  EXPECT_EQ(loadedLibraryCount(), 0);

  std::string output;
  EXPECT_EQ(runCommand({}, &output), 1);
  EXPECT_EQ(runCommand({dir.file("missing.so")}, &output), 3);
  EXPECT_EQ(runCommand({TARSEL_TEST_MODULE_PATH}, &output), 4);
  EXPECT_NE(output.find("DllRegisterServer"), std::string::npos);
}
