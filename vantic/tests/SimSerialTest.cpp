#include "SimFixture.h"

#include "platform/Bytes.h"
#include "vantic/PacketCodec.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace tarsel::vantic;
using namespace tarsel::vantic::test;

namespace {

using SimSerial = SimFixture;

// The connection algorithm of the control that drives this library: speed
// indexes from the highest down, stopping at success or a silent camera.
int searchSpeed(int& chosen, std::vector<int>& codes) {
  for (int index = 6; index >= 1; --index) {
    Cam_set_speed(index);
    const int rc = Cam_session_enabled(1);
    codes.push_back(rc);
    if (rc == 0) {
      chosen = index;
      return 0;
    }
    if (rc == CAM_NOT_RESPONDING)
      return rc;
  }
  return codes.back();
}

std::int64_t cameraBaud(SimProcess& sim) {
  return sim.registers()["link"]["camera_baud"].integer();
}

std::uint32_t simRegister(SimProcess& sim, int reg) {
  return static_cast<std::uint32_t>(sim.registers()["registers"][std::to_string(reg)].number);
}

} // namespace

TEST_F(SimSerial, SpeedSearchReachesTheHighestSpeedTheCameraTakes) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}));
  ASSERT_EQ(Cam_set_port(1), 1);
  int chosen = 0;
  std::vector<int> codes;
  ASSERT_EQ(searchSpeed(chosen, codes), 0);
  EXPECT_EQ(chosen, 6);
  EXPECT_EQ(cameraBaud(*sim), 230400);
  EXPECT_EQ(Cam_get_picture_count(), 3);
  // Closing puts the camera back at 19200 with a speed write of 0.
  EXPECT_EQ(Cam_session_enabled(0), 0);
  EXPECT_EQ(cameraBaud(*sim), 19200);
  EXPECT_EQ(Cam_get_state(), CAM_STATE_CLOSED);
}

TEST_F(SimSerial, SpeedSearchFallsBackWhenTheCameraRefusesASpeed) {
  START_OR_RETURN(startSerial({"--time-scale", "0", "--max-speed", "4"}));
  ASSERT_EQ(Cam_set_port(1), 1);
  int chosen = 0;
  std::vector<int> codes;
  ASSERT_EQ(searchSpeed(chosen, codes), 0);
  EXPECT_EQ(chosen, 4);
  EXPECT_EQ(codes, (std::vector<int>{CAM_NAK_RESPONSE, CAM_NAK_RESPONSE, 0}));
  EXPECT_EQ(cameraBaud(*sim), 57600);
  EXPECT_EQ(Cam_get_remaining_count(), static_cast<int>(simRegister(*sim, 11)));
}

TEST_F(SimSerial, SpeedSearchSkipsARefusedSpeedInTheMiddle) {
  START_OR_RETURN(startSerial({"--time-scale", "0", "--refuse-speed", "6"}));
  ASSERT_EQ(Cam_set_port(0), 1); // automatic: no USB camera, COM1 answers the wake probe
  int chosen = 0;
  std::vector<int> codes;
  ASSERT_EQ(searchSpeed(chosen, codes), 0);
  EXPECT_EQ(chosen, 5);
  EXPECT_EQ(cameraBaud(*sim), 115200);
}

TEST_F(SimSerial, ReenablingAnOpenSessionMovesTheCameraToTheNewSpeed) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}));
  connect(1, 6);
  ASSERT_EQ(Cam_set_speed(4), 0);
  EXPECT_EQ(Cam_session_enabled(1), 0);
  EXPECT_EQ(cameraBaud(*sim), 57600);
  EXPECT_EQ(Cam_get_picture_count(), 3);
}

TEST_F(SimSerial, EveryRegisterPairWritesAndReadsBack) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}));
  connect(1, 6);
  struct Pair {
    int reg;
    int (*set)(int);
    int (*get)();
    int value;
  };
  const Pair pairs[] = {
      {0, Cam_set_compression, Cam_get_compression, 3},
      {1, Cam_set_resolution, Cam_get_resolution, 17},
      {3, Cam_set_exposure, Cam_get_exposure, 1000},
      {6, Cam_set_color_mode, Cam_get_color_mode, 2},
      {7, Cam_set_flash_mode, Cam_get_flash_mode, 4},
      {8, Cam_set_ygain, Cam_get_ygain, 1234567},
      {9, Cam_set_cgain, Cam_get_cgain, 7654321},
      {19, Cam_set_tone_curve, Cam_get_tone_curve, 3},
      {20, Cam_set_light_source, Cam_get_light_source, 255},
      {32, Cam_set_diag_long, Cam_get_diag_long, 0x0FEC000E},
      {33, Cam_set_focus, Cam_get_focus, 2},
      {35, Cam_set_lcd_brightness, Cam_get_lcd_brightness, 6},
      {36, Cam_set_lcd_contrast, Cam_get_lcd_contrast, 5},
      {38, Cam_set_lcd_power_down, Cam_get_lcd_power_down, 600},
      {41, Cam_set_lcd_date_format, Cam_get_lcd_date_format, 4},
      {42, Cam_set_audio, Cam_get_audio, 2},
      {50, Cam_set_last_setting, Cam_get_last_setting, 1},
      {51, Cam_set_memory_select, Cam_get_memory_select, 2},
      {53, Cam_set_lcd_disp_language, Cam_get_lcd_disp_language, 10},
      {68, Cam_set_beep_mode, Cam_get_beep_mode, 1},
      {70, Cam_set_metering_mode, Cam_get_metering_mode, 3},
      {72, Cam_set_special_function, Cam_get_special_function, 65535},
      {77, Cam_set_datablock_size, Cam_get_datablock_size, 4096},
      {78, Cam_set_packet_delay, Cam_get_packet_delay, 30000},
      {82, Cam_set_session_time, Cam_get_session_time, 6},
      {85, Cam_set_iso_speed_ratings, Cam_get_iso_speed_ratings, 1600},
      {86, Cam_set_digital_zoom, Cam_get_digital_zoom, 3000},
      {89, Cam_set_lcd_disp_direction, Cam_get_lcd_disp_direction, 1},
      {103, Cam_set_manual_focus, Cam_get_manual_focus, 0x7FFFFFF0},
      {108, Cam_set_video_signal_mode, Cam_get_video_signal_mode, 1},
  };
  for (const Pair& pair : pairs) {
    EXPECT_EQ(pair.set(pair.value), 0) << "register " << pair.reg;
    EXPECT_EQ(simRegister(*sim, pair.reg), static_cast<std::uint32_t>(pair.value)) << "register " << pair.reg;
    EXPECT_EQ(pair.get(), pair.value) << "register " << pair.reg;
  }

  struct Getter {
    int reg;
    int (*get)();
  };
  const Getter getters[] = {{10, Cam_get_picture_count},
                            {11, Cam_get_remaining_count},
                            {16, Cam_get_battery_status},
                            {28, Cam_get_free_mem},
                            {34, Cam_get_lcd},
                            {40, Cam_get_lcd_picture_number},
                            {55, Cam_get_opf_count},
                            {59, Cam_get_lcd_select_count},
                            {65, Cam_get_memory_status},
                            {83, Cam_get_folder_number}};
  for (const Getter& getter : getters)
    EXPECT_EQ(getter.get(), static_cast<int>(simRegister(*sim, getter.reg))) << "register " << getter.reg;

  // 16-bit registers take the low half, sign-extended.
  EXPECT_EQ(Cam_set_lcd_brightness(0x10005), 0);
  EXPECT_EQ(simRegister(*sim, 35), 5u);
  EXPECT_EQ(Cam_set_lcd_contrast(0xFFFF), CAM_OUT_OF_RANGE);

  EXPECT_EQ(Cam_set_time(1700000000), 0);
  EXPECT_EQ(Cam_get_time_value(), 1700000000);
  {
    tarsel::test::ScopedEnv tz("TZ", "UTC");
    ::tzset();
    CamTime time{};
    EXPECT_EQ(Cam_get_time(&time), 0);
    EXPECT_EQ(time.yearsSince1900, 123);
    EXPECT_EQ(time.month, 10);
    EXPECT_EQ(time.dayOfMonth, 14);
    EXPECT_EQ(time.hours, 22);
    EXPECT_EQ(time.minutes, 13);
    EXPECT_EQ(time.seconds, 20);
  }
  ::tzset();

  std::int16_t cameraSeconds = 0;
  std::int16_t hostSeconds = 0;
  EXPECT_EQ(Cam_set_pwr_down(300, 0x10000 + 1200), 0);
  EXPECT_EQ(Cam_get_pwr_down(&cameraSeconds, &hostSeconds), 0);
  EXPECT_EQ(cameraSeconds, 300);
  EXPECT_EQ(hostSeconds, 1200);
  EXPECT_EQ(Cam_set_pwr_down(4000, 10), CAM_OUT_OF_RANGE); // stops at the first write
  EXPECT_EQ(simRegister(*sim, 24), 1200u);
  EXPECT_EQ(Cam_set_lcd_power_down_2(500, 60), 0);
  EXPECT_EQ(Cam_get_lcd_power_down_2(&cameraSeconds, &hostSeconds), 0);
  EXPECT_EQ(cameraSeconds, 500);
  EXPECT_EQ(hostSeconds, 60);

  EXPECT_EQ(Cam_set_timer_led(2), 0);
  EXPECT_EQ(simRegister(*sim, 30), 2u);
  EXPECT_EQ(Cam_set_default_params(0), 0);
  EXPECT_EQ(Cam_set_initialize_setting(), 0);
  EXPECT_EQ(Cam_format_memory_card(0), 0);
  EXPECT_TRUE(waitReady());
  EXPECT_EQ(Cam_get_picture_count(), 0);
}

TEST_F(SimSerial, RangesAreCheckedBeforeAnythingIsSent) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}));
  connect(1, 6);
  sim->takeLog();
  EXPECT_EQ(Cam_set_exposure(30), CAM_OUT_OF_RANGE);
  EXPECT_EQ(Cam_set_exposure(61), CAM_OUT_OF_RANGE);
  EXPECT_EQ(Cam_set_metering_mode(1), CAM_OUT_OF_RANGE);
  EXPECT_EQ(Cam_set_session_time(121), CAM_OUT_OF_RANGE);
  EXPECT_EQ(Cam_set_id("0123456789012345678901234567890X"), CAM_OUT_OF_RANGE);
  EXPECT_EQ(Cam_store_pic(2), CAM_OUT_OF_RANGE);
  EXPECT_EQ(Cam_error(), CAM_OUT_OF_RANGE);
  EXPECT_TRUE(receivedBytes(sim->takeLog()).empty());
  EXPECT_EQ(Cam_set_exposure(0), 0);
  EXPECT_EQ(Cam_set_exposure(62), 0);
  EXPECT_EQ(simRegister(*sim, 3), 62u);
}

TEST_F(SimSerial, TextsAndStructuresCarryTheCamerasBytes) {
  START_OR_RETURN(startSerial(
      {"--time-scale", "0"},
      R"({"texts": {"27": "A CAMERA TYPE OF SIXTY-FOUR BYTES FILLS THE WHOLE FIELD EXACTLY!"}})"));
  connect(1, 6);
  const Json dump = sim->registers();
  char id[32];
  std::memset(id, 'x', sizeof(id));
  ASSERT_EQ(Cam_set_id("TARSEL TEST"), 0);
  ASSERT_EQ(Cam_get_id(id), 0);
  EXPECT_STREQ(id, "TARSEL TEST");
  char type[64];
  ASSERT_EQ(Cam_get_cam_type(type), 0);
  EXPECT_EQ(std::string(type, 64), "A CAMERA TYPE OF SIXTY-FOUR BYTES FILLS THE WHOLE FIELD EXACTLY!");
  char maker[32];
  ASSERT_EQ(Cam_get_maker(maker), 0);
  EXPECT_STREQ(maker, dump["texts"]["48"].text.c_str());
  char serial[32];
  ASSERT_EQ(Cam_get_serial_no(serial), 0);
  EXPECT_STREQ(serial, dump["texts"]["25"].text.c_str());
  char name[13];
  ASSERT_EQ(Cam_get_picture_file_name(name, 2), 0);
  EXPECT_EQ(std::string(name, strnlen(name, 13)), dump["pictures"][1]["name"].text);
  char folder[9];
  ASSERT_EQ(Cam_get_folder_name(folder, 1), 0);
  EXPECT_EQ(std::string(folder, strnlen(folder, 9)), dump["folders"][0].text);

  std::int32_t setting[8];
  ASSERT_EQ(Cam_get_current_setting(setting), 0);
  EXPECT_EQ(setting[5], Cam_get_picture_count());
  EXPECT_EQ(setting[6], Cam_get_remaining_count());
  EXPECT_EQ(setting[4], Cam_get_battery_status());

  CamMemoryInfo memory{};
  ASSERT_EQ(Cam_get_memory_info(&memory), 0);
  EXPECT_EQ(memory.words[1], Cam_get_free_mem());

  CamFolderInfo info{};
  ASSERT_EQ(Cam_get_folder_info(1, &info), 0);
  EXPECT_EQ(info.zero, 0);
  EXPECT_EQ(std::string(info.name, 8), dump["folders"][0].text.substr(0, 8));

  CamPictureInfoTag tag{};
  ASSERT_EQ(Cam_get_picture_info_tag(1, &tag), 0);
  std::int32_t pictureInfo[8];
  ASSERT_EQ(Cam_get_picture_info(1, pictureInfo), 0);

  const std::int32_t exposure[5] = {2, 4, 0, 100000, 0};
  ASSERT_EQ(Cam_set_exposure_mode(exposure), 0);
  std::int32_t back[5] = {};
  ASSERT_EQ(Cam_get_exposure_mode(back), 0);
  EXPECT_TRUE(std::equal(std::begin(exposure), std::end(exposure), std::begin(back)));
  const Bytes stored = bytesOfHex(sim->registers()["structures"]["102"].text);
  ASSERT_EQ(stored.size(), 20u);
  EXPECT_EQ(tarsel::bytes::loadLe32(stored, 12), 100000u);

  std::uint8_t balance[768];
  for (int i = 0; i < 768; ++i)
    balance[i] = static_cast<std::uint8_t>(255 - i % 256);
  ASSERT_EQ(Cam_set_color_bal(balance), 0);
  std::uint8_t balanceBack[2048];
  ASSERT_EQ(Cam_get_color_bal(balanceBack), 0);
  EXPECT_EQ(std::memcmp(balance, balanceBack, 768), 0);

  std::int32_t words[12];
  EXPECT_EQ(Cam_get_diag_info(words), 0);
  EXPECT_EQ(Cam_get_function_available(words), 0);
  EXPECT_EQ(Cam_get_current_setting_2(words), 0);
  EXPECT_EQ(Cam_get_take_picture_info(words), 0);
  EXPECT_EQ(Cam_set_take_picture_info(words), 0);
  EXPECT_EQ(Cam_get_lcd_select_pictures(words), 0);
  EXPECT_EQ(Cam_get_diag_awb_info(words), 0);
  EXPECT_EQ(Cam_set_diag_awb_info(words), 0);
  EXPECT_EQ(Cam_get_diag_lcd_info(words), 0);
  EXPECT_EQ(Cam_get_diag_camera_info(words), 0);
  EXPECT_EQ(Cam_get_diag_lens_info(words), 0);
  EXPECT_EQ(Cam_get_mac_address(words), 0);
  EXPECT_EQ(Cam_get_sharpness(words), 0);
  EXPECT_EQ(Cam_set_sharpness(words), 0);
  const std::int32_t zoom[2] = {20, 10};
  EXPECT_EQ(Cam_set_focal_length(zoom), 0);
  EXPECT_EQ(Cam_get_focal_length(words), 0);
  EXPECT_EQ(words[0], 20);
  EXPECT_EQ(Cam_set_lcd_string("HELLO"), 0);
  EXPECT_EQ(sim->registers()["lcd_string"].text, "HELLO");
  std::uint8_t diag[400];
  EXPECT_EQ(Cam_get_diag_buffer(diag), 0);
  EXPECT_EQ(Cam_set_diag_buffer(diag, 400), 0);
}

TEST_F(SimSerial, EveryActionRunsAndTheCameraReportsDone) {
  START_OR_RETURN(startSerial(
      {"--time-scale", "0.01"},
      R"({"picture_count": 5, "picture_size": 3000, "opf": ["one", "two"], "folders": ["100SIMCM", "101SIMCM"]})"));
  connect(1, 6);
  struct Step {
    const char* name;
    std::function<int()> run;
  };
  const Step steps[] = {
      {"take_pic", [] { return Cam_take_pic(); }},
      {"take_preview", [] { return Cam_take_preview(); }},
      {"store_pic", [] { return Cam_store_pic(1); }},
      {"protect_picture", [] { return Cam_protect_picture(1, 2); }},
      {"erase_select", [] { return Cam_erase_select(3); }},
      {"erase_last", [] { return Cam_erase_last(); }},
      {"control_lcd", [] { return Cam_control_lcd(5, 1); }},
      {"control_lcd plain", [] { return Cam_control_lcd(1, 0); }},
      {"execute_diag", [] { return Cam_execute_diag(1); }},
      {"diag_lcd_disp", [] { return Cam_diag_lcd_disp(1); }},
      {"record_audio", [] { return Cam_record_audio(1); }},
      {"erase_opf", [] { return Cam_erase_opf(1); }},
      {"erase_folder", [] { return Cam_erase_folder(2); }},
      {"erase_all", [] { return Cam_erase_all(); }},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(step.run(), 0) << step.name;
    EXPECT_TRUE(waitReady()) << step.name;
    EXPECT_EQ(Cam_get_state(), CAM_STATE_OPEN) << step.name;
  }
  const Json dump = sim->registers();
  std::vector<int> done;
  for (const Json& action : dump["actions_done"].items)
    done.push_back(static_cast<int>(action[0].number));
  EXPECT_EQ(done, (std::vector<int>{2, 5, 3, 9, 7, 0, 8, 8, 6, 12, 14, 13, 16, 1}));
  EXPECT_EQ(Cam_get_picture_count(), static_cast<int>(simRegister(*sim, 10)));
  EXPECT_EQ(simRegister(*sim, 40), 1u);

  // A camera that powered off answers no more (and nothing late: the reply
  // time-outs it runs out may be short).
  EXPECT_EQ(Cam_pwr_off(), 0);
  CameraLibrary::instance().timings().replyMs = 20;
  EXPECT_EQ(Cam_get_battery_status(), -1);
  EXPECT_EQ(Cam_error(), CAM_NOT_RESPONDING);
}

TEST_F(SimSerial, UploadsReachTheCamera) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}));
  connect(1, 6);
  Bytes picture(70000);
  for (std::size_t i = 0; i < picture.size(); ++i)
    picture[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
  EXPECT_EQ(Cam_load_picture_data(picture.data(), static_cast<int>(picture.size())), 0);
  EXPECT_EQ(simRegister(*sim, 32), 0x0FEC000Eu);
  const Json dump = sim->registers();
  const std::string uploaded = dump["written_objects"]["29"].has("sha256")
                                   ? dump["written_objects"]["29"]["sha256"].text
                                   : dump["written_objects"]["29"].text;
  EXPECT_TRUE(uploaded == sha256Hex(picture.data(), picture.size()) || bytesOfHex(uploaded) == picture)
      << uploaded.substr(0, 80);
  EXPECT_EQ(Cam_write_loaded_data(), 0);
  EXPECT_TRUE(waitReady());

  EXPECT_EQ(Cam_load_picture_data(picture.data(), 0xA00001), CAM_INVALID_PARAMETER);
  EXPECT_EQ(Cam_load_opf_data(picture.data(), 0x200001), CAM_INVALID_PARAMETER);
  EXPECT_EQ(Cam_load_opf_data("[order]", 7), 0);

  const std::string firmware = dir.file("firmware.bin");
  tarsel::test::writeFile(firmware, std::string(5000, 'F'));
  const int fd = ::open(firmware.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Cam_load_file_data(fd, 7), 0);
  EXPECT_EQ(simRegister(*sim, 32), 7u);
  ::close(fd);
  const std::string big = dir.file("big.bin");
  tarsel::test::writeFile(big, std::string(0x200001, 'B'));
  const int bigFd = ::open(big.c_str(), O_RDONLY);
  EXPECT_EQ(Cam_load_firmware(bigFd), CAM_INVALID_PARAMETER);
  ::close(bigFd);
  EXPECT_EQ(Cam_load_firmware(-1), CAM_INVALID_PARAMETER);
}

TEST_F(SimSerial, CallsFromSeveralThreadsTakeTurnsOnTheOneCamera) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}));
  connect(1, 6);
  std::atomic<int> failures{0};
  auto worker = [&](int reg, int (*set)(int), int (*get)(), int base) {
    for (int i = 0; i < 15; ++i) {
      const int value = base + i % 2;
      if (set(value) != 0 || get() != value)
        ++failures;
    }
    (void)reg;
  };
  std::thread first(worker, 7, Cam_set_flash_mode, Cam_get_flash_mode, 1);
  std::thread second(worker, 41, Cam_set_lcd_date_format, Cam_get_lcd_date_format, 2);
  std::thread third([&] {
    for (int i = 0; i < 15; ++i)
      if (Cam_get_state() != CAM_STATE_OPEN)
        ++failures;
  });
  first.join();
  second.join();
  third.join();
  EXPECT_EQ(failures.load(), 0);
}
