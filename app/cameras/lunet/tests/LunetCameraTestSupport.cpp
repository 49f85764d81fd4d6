#include "LunetCameraTestSupport.h"

#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "env/CamStorageDir.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <QCryptographicHash>

namespace tarsel::lunet::test {

std::string LunetCameraTest::cameraConfig() const {
  return R"({"picture_count": 1, "picture_size": 9000, "texts": {"22": "SIMCAM", "27": "VC320"}})";
}

void LunetCameraTest::SetUp() {
  if (!vantic::test::SimProcess::pythonAvailable())
    GTEST_SKIP() << "the camera simulator cannot run here";
  tarsel::test::writeFile(m_dir.file("camera.json"), cameraConfig());
  m_sim = std::make_unique<vantic::test::SimProcess>(std::vector<std::string>{
      "--usb", m_dir.file("usb.sock"), "--time-scale", "0", "--config", m_dir.file("camera.json")});
  ASSERT_TRUE(m_sim->ready());
  m_usb.emplace("TARSEL_VANTIC_USB", "sim:" + m_sim->endpoint());
  for (const char* name :
       {"TARSEL_VANTIC_COM1", "TARSEL_VANTIC_COM2", "TARSEL_VANTIC_COM3", "TARSEL_VANTIC_COM4"})
    ::setenv(name, m_dir.file("no-tty").c_str(), 1);
  std::filesystem::create_directories(m_dir.file("com"));
  m_classes.emplace("TARSEL_COM_PATH", m_dir.file("com"));
  const auto registered = tarsel::test::runProgram(
      {tarsel::test::binDir() + "/tarselregsvr", tarsel::test::binDir() + "/libLunet.so"});
  ASSERT_EQ(registered.exitCode, 0);
  std::filesystem::remove(errorLogPath());
  GetLunetSdkWrapper(m_settings.get());
  beforeInit();
  m_camera = std::make_unique<CLunetWr>();
  ASSERT_EQ(m_camera->InitCameraObject(nullptr, window()), 0) << errorLog();
  m_sim->takeLog();
}

void LunetCameraTest::TearDown() {
  m_camera.reset();
  ReleaseLunetSdkWrapper();
  m_sim.reset();
}

std::string LunetCameraTest::errorLogPath() const {
  return std::string(CCamDataDir().GetPath()) + "/ErrorLog.txt";
}

std::string LunetCameraTest::errorLog() const {
  return std::filesystem::exists(errorLogPath()) ? tarsel::test::readFile(errorLogPath()) : std::string();
}

int LunetCameraTest::actionsDone(int action) {
  int count = 0;
  // The answer must outlive the loop over its members.
  const vantic::test::Json answer = m_sim->registers();
  for (const vantic::test::Json& done : answer["actions_done"].items)
    count += done[0].integer() == action;
  return count;
}

int LunetCameraTest::openConnections(int expected) {
  // The simulator notices a closed connection a moment later.
  int open = -1;
  for (int round = 0; round < 400; ++round) {
    open = static_cast<int>(m_sim->registers()["link"]["open_connections"].integer());
    if (open == expected)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return open;
}

int LunetCameraTest::usbConnections() {
  return static_cast<int>(m_sim->registers()["link"]["connections"].integer());
}

std::string sha256Hex(const void* bytes, std::size_t size) {
  const QByteArray data(static_cast<const char*>(bytes), static_cast<qsizetype>(size));
  return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex().toStdString();
}

} // namespace tarsel::lunet::test
