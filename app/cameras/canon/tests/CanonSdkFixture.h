// The fixture of every test against the SDK stand-in: the stand-in loaded
// (the family loads the same file, so both see one state), reset to the
// test's cameras, and named by TARSEL_CDSDK; after the test the family is
// released and the stand-in must report nothing left open and no illegal,
// invalid or overlapping call.
#pragma once

#include "app/cameras/canon/CanonCDSdkWrapper.h"
#include "sim/cdsdk/CdSimControl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <memory>
#include <string>

namespace tarsel::canon::test {

inline std::string binFile(const char* name) {
  const char* bin = std::getenv("TARSEL_BIN_DIR");
  return std::string(bin ? bin : ".") + "/" + name;
}

class CanonSdkTest : public ::testing::Test {
protected:
  // Cameras of the test ("[camera]" sections); empty: the stand-in's default camera.
  void UseCameras(const char* config) { ASSERT_EQ(m_sim->reset(config), 0) << Log(); }

  void SetUp() override {
    m_path = binFile("libCDSDK.so");
    m_handle = dlopen(m_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(m_handle, nullptr) << dlerror();
    m_sim = std::make_unique<cdsim::CdSimControls>(m_handle);
    ASSERT_TRUE(m_sim->ok);
    ASSERT_EQ(m_sim->reset(nullptr), 0);
    setenv("TARSEL_CDSDK", m_path.c_str(), 1);
  }

  void TearDown() override {
    ReleaseCanonCDSdkWrapper();
    char reasons[2000] = {};
    EXPECT_EQ(m_sim->checkClean(reasons, sizeof reasons), 0) << reasons << "\n" << Log();
    unsetenv("TARSEL_CDSDK");
    m_sim.reset();
    dlclose(m_handle);
  }

  std::string Log() const {
    std::string text(m_sim->log(nullptr, 0) + 1, '\0');
    m_sim->log(text.data(), text.size());
    return text;
  }

  // How often the call log names an entry after position `from`.
  std::size_t Calls(const char* entry, std::size_t from = 0) const {
    const std::string log = m_sim->logText();
    std::size_t count = 0;
    for (std::size_t at = log.find(entry, from); at != std::string::npos; at = log.find(entry, at + 1))
      ++count;
    return count;
  }
  // Where the call log ends now.
  std::size_t LogEnd() const { return m_sim->logText().size(); }

  CdSimStats Stats() const {
    CdSimStats stats{};
    return m_sim->stats(&stats), stats;
  }

  std::unique_ptr<cdsim::CdSimControls> m_sim;
  std::string m_path;
  void* m_handle = nullptr;
};

} // namespace tarsel::canon::test
