// The camera families that offer the shared dialogs, each as a rig for the
// dialogs' typed tests: it starts the family's simulator, makes the family's
// camera object over it and tells what a scenario needs to know of that
// camera as the simulator keeps it (its ID, its clock, its card, the
// settings the capability test changes) and of what the capability test
// finds and stores for the camera the simulator offers for it.
//
// CameraLink: the camera-link library of the build against one vesk-simd
// camera: an XC-701 with three pictures (busy times 20 times as fast), or for
// the capability test the XC-500, which refuses many of the family's generic
// values (100 times as fast). ActiveX: the control of the build, registered
// in a class folder of the test's own, against the camera simulator's USB
// camera "Bench left" with three pictures, or for the capability test its
// refusing model.
#pragma once

#include "app/cameras/lunet/LunetCapabilities.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/cameras/lunet/LunetWr.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/settings/TarselSettings.h"
#include "app/testsupport/VeskSimulator.h"
#include "env/CamStorageDir.h"
#include "platform/ProfileSection.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/vantic/testsupport/SimProcess.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tarsel::dialogs::test {

// A picture on the camera's card: its camera file name and the SHA-256 of
// its bytes (hex).
struct CardFile {
  std::string name;
  std::string sha256;
  bool operator==(const CardFile&) const = default;
};

// A profile's sections as the rig's reader gives them: (section, entries).
using ProfileSections = std::vector<std::pair<std::string, std::string>>;

inline std::string sha256Hex(const std::string& bytes) {
  return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
      .toHex()
      .toStdString();
}

class CameraLinkRig {
public:
  static constexpr const char* kName = "CameraLink";
  static constexpr const char* kModel = "XC-701";
  static constexpr const char* kFirstId = "XC-701 camera 0";
  // The camera keeps its clock as the local wall-clock time's seconds: the
  // clock at 1000000000 shows 01:46:40 in any zone (and runs fast).
  static constexpr const char* kTimeOfClock1000000000 = "01:4";
  static std::string defaultConfig() { return "speed = 20\n[camera]\nmodel = XC-701\npictures = 3\n"; }

  // Starts the simulator with `setup` (its set-up file) and readies the
  // library for camera 0.
  void start(tarsel::test::TempDir& folder, const std::string& setup, ITarselSettings* settings) {
    // The daemon logs every request, so a test can count the writes.
    m_simulator =
        std::make_unique<tarsel::test::VeskSimulator>(tarsel::test::binDir() + "/vesk-simd", folder.path(),
                                                      "log = " + folder.file("requests.log") + "\n" + setup);
    ASSERT_TRUE(m_simulator->ready());
    m_folder = &folder;
    m_devices.emplace_back("VESK_DEVICE_DIR", m_simulator->deviceFolder());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brantel\\Vesk\\SupportedCamera", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              0);
    const std::string models = std::string(kModel) + "," + kTrialModel;
    RegSetValueExA(key, "Type_S", 0, REG_SZ, reinterpret_cast<const BYTE*>(models.c_str()),
                   static_cast<DWORD>(models.size() + 1));
    RegCloseKey(key);
    // The library first: making the family's SDK object initialises it.
    LoadVeskDll(tarsel::test::binDir() + "/libVeskDLL.so");
    m_loaded = true;
    GetVeskSdkWrapper(settings);
    ASSERT_EQ(VeskInitControl(), 0);
    ASSERT_EQ(VeskGetPropCameraCount(), 1);
  }
  std::unique_ptr<ICameraHiLevel> makeCamera() { return std::make_unique<CVeskDllWr>(0); }
  void stop() {
    if (!m_loaded)
      return;
    ReleaseVeskSdkWrapper();
    FreeVeskDll();
  }

  // One command of the simulator's control socket; its answer line.
  std::string ctl(const std::string& command) { return m_simulator->control(command); }

  std::string cameraId() { return textOfHex(ctl("object 0 22").substr(3)); }
  void setClock(long long seconds) { ASSERT_EQ(ctl("set 0 2 " + std::to_string(seconds)), "ok"); }
  long long clock() {
    const std::string answer = ctl("get 0 2");
    return answer.rfind("ok ", 0) == 0 ? std::stoll(answer.substr(3)) : -1;
  }
  // What the clock reads once set to the computer's time `now`.
  static long long clockSetAt(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    return now + local.tm_gmtoff;
  }

  // The card's files by the names the daemon gives them, with their bytes.
  std::map<std::string, std::string> cardBytes() {
    const std::string folder = m_folder->file("card" + std::to_string(++m_dumps));
    EXPECT_EQ(ctl("dump 0 " + folder).rfind("ok", 0), 0u);
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      files[entry.path().filename().string()] = tarsel::test::readFile(entry.path().string());
    return files;
  }
  std::vector<CardFile> card() {
    std::vector<CardFile> files;
    for (const auto& [name, bytes] : cardBytes())
      files.push_back({name, sha256Hex(bytes)});
    return files;
  }

  // The capability test.
  static constexpr const char* kTrialModel = "XC-500";
  // The model the dialog shows.
  static constexpr const char* kTrialModelName = "XC-500";
  static std::string trialConfig() { return "speed = 100\n[camera]\nmodel = XC-500\n"; }
  static std::string profileFile(ITarselSettings*) {
    return std::string(CCamConfigDir().GetPath()) + "/XC-500.camd";
  }
  // What a whole run logs (among other lines) and stores.
  static std::vector<std::string> trialLogLines() {
    return {"Camera Type: XC-500", "Firmware version: XC500 FW 0.71", "Zoom: 6.0-15.0",
            "1 = ISO 100 (From Exif: 100)", "4 = JPEG 640x480"};
  }
  static ProfileSections trialProfile() {
    // Of the two 640x480 JPEG modes the larger file is "H".
    return {{"Aperture", "28= 2.8;40= 4.0;56= 5.6;80= 8.0"},
            {"WhiteBalance", "0=Auto;1=Daylight;2=Fluorescent;3=Tungsten;255=Cloudy"},
            {"ISOSpeed", "0=Auto;1=100;2=200;3=400"},
            {"Resolution", "1=JPEG 640x480 N;4=JPEG 640x480 H;5=JPEG 1024x768;33=TIFF 640x480;49=RAW"},
            {"OpticalZoomRange", "Min=60;Max=150"}};
  }
  static std::string readSection(const std::string& file, const std::string& section) {
    return joined(tarsel::platform::ReadProfileSection(section, file));
  }
  // The camera object holds what the run stored.
  static void expectCameraHoldsTheRun(ICameraHiLevel& camera, const std::string& file) {
    auto& object = dynamic_cast<CVeskDllWr&>(camera);
    EXPECT_EQ(object.GetCameraDescriptionFile(), file);
    for (const auto& [section, entries] : trialProfile()) {
      if (section == "OpticalZoomRange")
        continue;
      EXPECT_EQ(setOf(object, section.c_str()), entries) << section;
    }
    EXPECT_EQ(object.GetRangeByName("OpticalZoom").GetMin(), 60);
    EXPECT_EQ(object.GetRangeByName("OpticalZoom").GetMax(), 150);
  }
  // A file stored by an earlier run, which a stopped run leaves as it is.
  static std::string earlierProfile() { return "[Aperture]\r\n28= 2.8\r\n[ISOSpeed]\r\n1=100\r\n"; }
  // When a run is to be stopped: once the ISO speeds are being tried.
  bool readyToStop(const QString& log) { return log.contains("ISO Speeds:"); }
  static constexpr bool kStopWithEscape = true;
  static constexpr std::chrono::milliseconds kStopSettle{1};
  // What a stopped run never reached.
  static constexpr const char* kNotReachedWhenStopped = "Resolutions:";
  // The camera read the earlier file; the stopped run kept the apertures and
  // zoom it found, the ISO speeds are the earlier file's.
  static void expectCameraHoldsTheStoppedRun(ICameraHiLevel& camera, const std::string& file) {
    auto& object = dynamic_cast<CVeskDllWr&>(camera);
    EXPECT_EQ(object.GetCameraDescriptionFile(), file);
    EXPECT_EQ(setOf(object, "Aperture"), "28= 2.8;40= 4.0;56= 5.6;80= 8.0");
    EXPECT_EQ(object.GetRangeByName("OpticalZoom").GetMax(), 150);
    EXPECT_EQ(setOf(object, "ISOSpeed"), "1=100");
  }
  // Without a file the camera object has the family's generic values again.
  static void expectCameraHoldsTheDefaults(ICameraHiLevel& camera) {
    auto& object = dynamic_cast<CVeskDllWr&>(camera);
    const CCapabilitySet::Value* row = object.GetCapabilitySet("Aperture")->GetValues();
    int count = 0;
    for (; row && row->label; ++row)
      ++count;
    EXPECT_EQ(count, 17);
  }
  // The settings the dialog saves and puts back, as the camera holds them:
  // resolution, flash, white balance, ISO, digital zoom; zoom and exposure objects.
  std::string cameraSettings() {
    std::string values;
    for (const char* reg : {"1", "7", "20", "85", "72"})
      values += ctl(std::string("get 0 ") + reg) + "; ";
    for (const char* object : {"71", "102"})
      values += ctl(std::string("object 0 ") + object) + "; ";
    return values;
  }

  // The settings sheet: its pages in the family's order, the one the focus
  // requests open at, how far above the lens's nearest end a zoom test moves.
  static std::vector<QString> sheetPages() {
    return {"General", "Focus Adjustment", "Optical Zoom Adjustment", "LCD Brightness"};
  }
  static constexpr int kFocusPage = 1;
  static constexpr int kZoomAboveMinimum = 77;
  // A register of the camera, or -1.
  long reg(int number) {
    const std::string answer = ctl("get 0 " + std::to_string(number));
    return answer.rfind("ok ", 0) == 0 ? std::stol(answer.substr(3)) : -1;
  }
  void setReg(int number, long value) {
    ASSERT_EQ(ctl("set 0 " + std::to_string(number) + " " + std::to_string(value)), "ok");
  }
  // The optical zoom's position (the first word of its data object), or -1.
  long zoomPosition() { return objectWord(71, 0); }
  // Word `index` of a data object (see VeskSimulator::objectWord), or -1.
  long objectWord(int object, std::size_t index) {
    return static_cast<long>(m_simulator->objectWord(0, object, index));
  }
  // The registers and objects the sheet changes, as one text.
  std::string sheetSettings() {
    std::string dump;
    for (int number : {1, 7, 20, 33, 35, 70, 72, 85, 103})
      dump += ctl("get 0 " + std::to_string(number)) + "; ";
    for (int object : {69, 71, 102})
      dump += ctl("object 0 " + std::to_string(object)) + "; ";
    return dump;
  }
  // A data object's text, NUL padded, as the daemon shows it in hex.
  static std::string textOfHex(const std::string& hex) {
    std::string text;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
      const char c = static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
      if (c == '\0')
        break;
      text += c;
    }
    return text;
  }

  // The writes to register `reg` since the last look. The request log names
  // the register, not the value: each is given the register's value now.
  std::vector<int> takeWrites(int reg) {
    const std::string log = tarsel::test::readFile(m_folder->file("requests.log"));
    const std::string write = " kind=0 no=" + std::to_string(reg) + " ";
    std::size_t count = 0;
    for (std::size_t at = log.find(write, m_logSeen); at != std::string::npos; at = log.find(write, at + 1))
      ++count;
    m_logSeen = log.size();
    return std::vector<int>(count, static_cast<int>(this->reg(reg)));
  }

private:
  static std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
      text += (text.empty() ? "" : ";") + line;
    return text;
  }
  // A capability set's values as the file writes them: "id=label;...".
  static std::string setOf(CVeskDllWr& camera, const char* name) {
    std::vector<std::string> lines;
    if (CCapabilitySet* set = camera.GetCapabilitySet(name))
      for (const CCapabilitySet::Value* row = set->GetValues(); row && row->label; ++row)
        lines.push_back(std::to_string(row->id) + "=" + row->label);
    return joined(lines);
  }

  tarsel::test::TempDir* m_folder = nullptr;
  std::size_t m_logSeen = 0;
  std::unique_ptr<tarsel::test::VeskSimulator> m_simulator;
  std::deque<tarsel::test::ScopedEnv> m_devices;
  bool m_loaded = false;
  int m_dumps = 0;
};

class ActiveXRig {
public:
  static constexpr const char* kName = "ActiveX";
  static constexpr const char* kModel = "VC320";
  static constexpr const char* kFirstId = "Bench left";
  // The control hands the camera's clock over as UTC: in India (UTC+5:30)
  // the clock at 1000000000 shows 07:16:40.
  static constexpr const char* kTimeOfClock1000000000 = "07:16:";
  static std::string defaultConfig() {
    return R"({"pictures": [{"size": 9000}, {"size": 9100}, {"size": 9200}],
               "texts": {"22": "Bench left", "27": "VC320"}})";
  }

  void start(tarsel::test::TempDir& folder, const std::string& config, ITarselSettings* settings) {
    if (!tarsel::vantic::test::SimProcess::pythonAvailable())
      GTEST_SKIP() << "the camera simulator cannot run here";
    tarsel::test::writeFile(folder.file("camera.json"), config);
    m_sim = std::make_unique<tarsel::vantic::test::SimProcess>(std::vector<std::string>{
        "--usb", folder.file("usb.sock"), "--time-scale", "0", "--config", folder.file("camera.json")});
    ASSERT_TRUE(m_sim->ready());
    m_env.emplace_back("TARSEL_VANTIC_USB", "sim:" + m_sim->endpoint());
    for (const char* name :
         {"TARSEL_VANTIC_COM1", "TARSEL_VANTIC_COM2", "TARSEL_VANTIC_COM3", "TARSEL_VANTIC_COM4"})
      m_env.emplace_back(name, folder.file("no-tty"));
    std::filesystem::create_directories(folder.file("com"));
    m_env.emplace_back("TARSEL_COM_PATH", folder.file("com"));
    const std::string bin = tarsel::test::binDir();
    ASSERT_EQ(tarsel::test::runProgram({bin + "/tarselregsvr", bin + "/libLunet.so"}).exitCode, 0);
    GetLunetSdkWrapper(settings);
    m_made = true;
  }
  std::unique_ptr<ICameraHiLevel> makeCamera() { return std::make_unique<CLunetWr>(); }
  void stop() {
    if (m_made)
      ReleaseLunetSdkWrapper();
    m_sim.reset();
  }

  tarsel::vantic::test::SimProcess& sim() { return *m_sim; }

  std::string cameraId() { return m_sim->registers()["texts"]["22"].text; }
  void setClock(long long seconds) {
    m_sim->request(R"({"op":"set-register","reg":2,"value":)" + std::to_string(seconds) + "}");
  }
  long long clock() { return m_sim->registers()["registers"]["2"].integer(); }
  static long long clockSetAt(std::time_t now) { return now; }

  std::vector<CardFile> card() {
    std::vector<CardFile> files;
    // The answer must outlive the loop over its members.
    const tarsel::vantic::test::Json dump = m_sim->registers();
    int index = 0;
    for (const auto& picture : dump["pictures"].items)
      files.push_back({picture["name"].text, m_sim->picture(++index)["sha256"].text});
    return files;
  }

  // The capability test.
  static constexpr const char* kTrialModel = "VC320";
  static constexpr const char* kTrialModelName = "VC-320 Zoom";
  static std::string trialConfig() { return R"({"model": "refusing", "texts": {"22": "Bench left"}})"; }
  static std::string profileFile(ITarselSettings* settings) {
    return tarsel::lunet::LunetModelFile(settings, kTrialModel);
  }
  static std::vector<std::string> trialLogLines() { return {"Zoom: 1.0-3.0"}; }
  // The apertures the lens has, the white balances the camera accepts, the
  // resolutions it takes: of the two 640x480 JPEGs the larger file is "H".
  static ProfileSections trialProfile() {
    return {
        {"Aperture", "28=2.8;40=4.0;56=5.6;80=8.0;110=11.0"},
        {"WhiteBalance", "0=Auto;1=Daylight;3=Tungsten Lamp;255=Cloudy"},
        {"ISOSpeed", "0=Auto;1=100;2=200;3=400"},
        {"Resolution", "1=JPEG 640x480 N;4=JPEG 640x480 H;5=JPEG 1024x768;2=JPEG 2048x1536;33=TIFF 640x480"},
        {"OpticalZoomRange", "min=10;max=30"}};
  }
  // A section as "key=value;..." in the file's order, as an INI reader of
  // its own reads it.
  static std::string readSection(const std::string& file, const std::string& section) {
    const auto result = tarsel::test::runProgram({"python3", "-c",
                                                  "import configparser, sys\n"
                                                  "p = configparser.ConfigParser(strict=False)\n"
                                                  "p.read(sys.argv[1])\n"
                                                  "s = p[sys.argv[2]]\n"
                                                  "print(';'.join(k + '=' + s[k] for k in s))\n",
                                                  file, section});
    EXPECT_EQ(result.exitCode, 0);
    return result.out.substr(0, result.out.find('\n'));
  }
  // The control keeps no capability sets of its own to look at.
  static void expectCameraHoldsTheRun(ICameraHiLevel&, const std::string&) {}
  static std::string earlierProfile() { return "[Aperture]\n40= 4.0\n[WhiteBalance]\n0=Auto\n"; }
  // When a run is to be stopped: while a test picture is in hand. The first
  // resolution's picture goes unanswered once (the library sends it again
  // after its reply time), and Stop comes in between.
  bool readyToStop(const QString& log) {
    if (!m_dropped && log.contains("Resolutions:")) {
      m_sim->fault("drop:1@action=2");
      m_dropped = true;
      return false;
    }
    return m_dropped && m_sim->registers()["faults"].items.empty();
  }
  static constexpr bool kStopWithEscape = false;
  static constexpr std::chrono::milliseconds kStopSettle{200};
  static constexpr const char* kNotReachedWhenStopped = "1 = JPEG";
  static void expectCameraHoldsTheStoppedRun(ICameraHiLevel&, const std::string&) {}
  static void expectCameraHoldsTheDefaults(ICameraHiLevel&) {}
  // The settings the dialog saves and puts back, as the camera holds them:
  // resolution, flash, white balance, digital zoom; the exposure structure
  // and the lens. Not the ISO speed: the control cannot read it, so the
  // family puts back the value it last sent, not the camera's own first one.
  std::string cameraSettings() {
    const tarsel::vantic::test::Json dump = m_sim->registers();
    std::string values;
    for (const char* reg : {"1", "7", "20", "72"})
      values += std::to_string(dump["registers"][reg].integer()) + "; ";
    return values + dump["structures"]["102"].text + "; " +
           std::to_string(dump["lens"]["position"].integer());
  }

  // The settings sheet (see CameraLinkRig).
  static std::vector<QString> sheetPages() {
    return {"Focus Adjustment", "General", "Optical Zoom Adjustment", "LCD Brightness"};
  }
  static constexpr int kFocusPage = 0;
  static constexpr int kZoomAboveMinimum = 5;
  long reg(int number) {
    return static_cast<long>(m_sim->registers()["registers"][std::to_string(number)].integer());
  }
  void setReg(int number, long value) {
    m_sim->request(R"({"op":"set-register","reg":)" + std::to_string(number) + R"(,"value":)" +
                   std::to_string(value) + "}");
  }
  long zoomPosition() { return static_cast<long>(m_sim->registers()["lens"]["position"].integer()); }
  std::string sheetSettings() {
    const tarsel::vantic::test::Json dump = m_sim->registers();
    std::string values;
    for (const char* number : {"1", "7", "20", "33", "35", "70", "72", "85", "103"})
      values += std::to_string(dump["registers"][number].integer()) + "; ";
    return values + dump["structures"]["102"].text + "; " +
           std::to_string(dump["lens"]["position"].integer());
  }
  // The values the camera was sent for `reg` since the last look, in order,
  // from the simulator's log of the packets it received.
  std::vector<int> takeWrites(int reg) {
    std::vector<int> writes;
    const tarsel::vantic::test::Json log = m_sim->takeLog();
    for (const auto& entry : log["log"].items) {
      const QByteArray packet = QByteArray::fromHex(QByteArray::fromStdString(entry["hex"].text));
      // 1B 'C' length(2) op register value... checksum(2)
      if (entry["dir"].text == "rx" && packet.size() >= 10 && static_cast<std::uint8_t>(packet[0]) == 0x1B &&
          packet[4] == 0 && static_cast<std::uint8_t>(packet[5]) == reg)
        writes.push_back(static_cast<std::uint8_t>(packet[6]) | static_cast<std::uint8_t>(packet[7]) << 8);
    }
    return writes;
  }

private:
  std::unique_ptr<tarsel::vantic::test::SimProcess> m_sim;
  std::deque<tarsel::test::ScopedEnv> m_env;
  bool m_made = false;
  bool m_dropped = false;
};

} // namespace tarsel::dialogs::test
