// An engine with one camera (two small JPEG pictures on its card by default),
// a connection to it and a test host on that connection.
#pragma once

#include "VeskTestHost.h"

#include "sim/vesk/VeskSimEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tarsel::vesksim::test {

class CameraFixture : public ::testing::Test {
protected:
  void SetUp() override {
    model = *builtinModel("XC-701");
    card.jpegCount = 2;
    card.resolution = 1;
  }

  void start() {
    engine = std::make_unique<VeskSimEngine>();
    engine->addCamera(model, card);
    connection = engine->connect(0);
    ASSERT_TRUE(connection);
    host = std::make_unique<VeskTestHost>([this](const Request& r) { return connection->handle(r); });
  }

  std::vector<std::string> violations() const { return engine->stats(0)->violations; }
  std::uint64_t nowUs() { return engine->clock().nowUs(); }
  VeskSimVirtualClock& clock() { return *engine->virtualClock(); }

  CameraModel model;
  CardSetup card;
  std::unique_ptr<VeskSimEngine> engine;
  std::unique_ptr<VeskSimConnection> connection;
  std::unique_ptr<VeskTestHost> host;
};

inline CardSetup smallCard(std::uint32_t jpegCount, std::uint32_t resolution = 1) {
  CardSetup card;
  card.jpegCount = jpegCount;
  card.resolution = resolution;
  return card;
}

inline Bytes le32(std::initializer_list<std::uint32_t> words) {
  Bytes out;
  for (std::uint32_t w : words) {
    for (int i = 0; i < 4; ++i)
      out.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
  }
  return out;
}

} // namespace tarsel::vesksim::test
