// The control as a new user meets it: registered with the command, created by
// its program identifier, called by member name, against the serial camera.
#include "LunetTestSupport.h"

#include "hostapi/RefPtr.h"
#include "lunet/LunetIds.h"
#include "platform/com/ComLibrary.h"
#include "platform/com/ConnectionPoints.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using tarsel::com::ByteArray;
using tarsel::com::Variant;
using namespace tarsel::lunet::test;

namespace {

class ByName {
public:
  explicit ByName(IDispatch* object) : m_object(object) {}

  DISPID id(const char* name) {
    DISPID id = 0;
    EXPECT_EQ(m_object->GetIDsOfNames(name, &id), S_OK) << name;
    return id;
  }
  void put(const char* name, Variant value) {
    EXPECT_EQ(m_object->Invoke(id(name), DISPATCH_PROPERTYPUT, std::span(&value, 1), nullptr, nullptr), S_OK)
        << name;
  }
  std::int32_t get(const char* name) {
    Variant value;
    std::int32_t number = -1;
    EXPECT_EQ(m_object->Invoke(id(name), DISPATCH_PROPERTYGET, {}, &value, nullptr), S_OK) << name;
    EXPECT_EQ(value.asLong(number), S_OK);
    return number;
  }
  Variant call(const char* name, std::vector<Variant> args = {}) {
    Variant result;
    EXCEPINFO info;
    EXPECT_EQ(m_object->Invoke(id(name), DISPATCH_METHOD, args, &result, &info), S_OK)
        << name << " raised " << info.wCode;
    return result;
  }

private:
  IDispatch* m_object;
};

int runRegisterCommand(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), tarsel::test::binDir() + "/tarselregsvr");
  return tarsel::test::runProgram(arguments).exitCode;
}

} // namespace

TEST(LunetEndToEnd, RegisterCreateConnectTakeDownloadAndUnregister) {
  tarsel::test::TempDir dir;
  // The per-user class registry, in a folder of the test's own.
  tarsel::test::ScopedEnv data("XDG_DATA_HOME", dir.file("data"));
  tarsel::test::ScopedEnv noTestPath("TARSEL_COM_PATH", std::nullopt);
  tarsel::test::writeFile(dir.file("camera.json"), R"({"picture_count": 1, "picture_size": 9000})");
  const auto sim = startSerialCamera(dir, dir.file("camera.json"));
  if (!sim)
    GTEST_SKIP() << "the camera simulator cannot run here";
  const std::string library = tarsel::test::binDir() + "/libLunet.so";

  ASSERT_EQ(runRegisterCommand({library}), 0);
  EXPECT_TRUE(std::ifstream(dir.file("data/Tarsel/com/{65EC6313-AFEE-4B65-A258-D7EA902EE049}.class")).good());
  int classes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.file("data/Tarsel/com")))
    classes += entry.path().extension() == ".class";
  EXPECT_EQ(classes, 1) << "only the control can be created, so only it is registered";
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID("LUNET.LunetCtrl.1", &clsid), S_OK);
  IDispatch* raw = nullptr;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, IID_IDispatch, reinterpret_cast<void**>(&raw)), S_OK);
  CRefPtr<IDispatch> control;
  control.Attach(raw);
  ByName lunet(raw);

  lunet.put("propPort", Variant::fromLong(1));
  lunet.put("propSpeed", Variant::fromLong(0));
  std::int32_t rc = -1;
  EXPECT_EQ(lunet.call("Connect").asLong(rc), S_OK);
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(lunet.get("propSpeed"), 3); // the fastest speed the camera takes: 38400 baud

  IConnectionPointContainer* container = nullptr;
  ASSERT_EQ(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)),
            S_OK);
  IConnectionPoint* point = nullptr;
  ASSERT_EQ(container->FindConnectionPoint(tarsel::lunet::DIID_DLunetEvents, &point), S_OK);
  container->Release();
  ProgressSink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);

  lunet.call("Capture");
  const std::int32_t count = lunet.get("propPicCount");
  ASSERT_EQ(count, 2);
  lunet.put("propCurrentPicture", Variant::fromLong(count));
  const std::int32_t size = lunet.get("propPicSize");
  const tarsel::vantic::test::Json taken = sim->picture(count);
  ASSERT_EQ(size, taken["size"].integer());
  auto array = std::make_shared<ByteArray>(static_cast<std::size_t>(size));
  lunet.call("GetPicture", {Variant::fromLong(size), Variant::fromArray(array)});
  EXPECT_EQ(sha256Hex(ByteArray::Access(*array).bytes()), taken["sha256"].text);
  ASSERT_FALSE(sink.seen.empty());
  EXPECT_TRUE(std::is_sorted(sink.seen.begin(), sink.seen.end()));
  EXPECT_EQ(sink.seen.back(), 100);
  EXPECT_EQ(lunet.call("DisConnect").asLong(rc), S_OK);
  EXPECT_EQ(rc, 0);

  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  point->Release();
  control.Release();
  CoFreeUnusedLibraries();
  EXPECT_EQ(tarsel::com::loadedLibraryCount(), 0);

  ASSERT_EQ(runRegisterCommand({"-u", library}), 0);
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, IID_IDispatch, reinterpret_cast<void**>(&raw)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CLSIDFromProgID("LUNET.LunetCtrl.1", &clsid), REGDB_E_CLASSNOTREG);
}
