#include "remote/RemoteCommand.h"

#include <gtest/gtest.h>

using namespace tarsel::remote;

TEST(RemoteCommand, LibraryTextTakesItsItemsInTheOrderOfTheTable) {
  struct Row {
    bool capture;
    const char* camera;
    const char* ri;
    const char* cpff;
    bool rc;
    const char* text;
  };
  const Row rows[] = {
      {true, "Cam1", nullptr, nullptr, false, "MSL?CAPTURE&CAM=Cam1"},
      {false, nullptr, "", "v", false, "MSL?RI&CPFF=v"},
      {false, nullptr, nullptr, nullptr, false, "MSL?"},
      {false, "", nullptr, nullptr, false, "MSL?"},
      {true, "C", "r", "p", true, "MSL?RI=r&RC&CPFF=p&CAPTURE&CAM=C"},
      {false, nullptr, nullptr, "", true, "MSL?RC&CPFF"},
      {true, nullptr, nullptr, nullptr, false, "MSL?CAPTURE"},
      // Values are not escaped.
      {false, "x&CAPTURE", nullptr, nullptr, false, "MSL?CAM=x&CAPTURE"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(libraryMessageText(row.capture, row.camera, row.ri, row.cpff, row.rc), row.text);
}

TEST(RemoteCommand, ReceiverRecognisesItemsByPrefixWithoutRegardToCase) {
  using K = RemoteItemKind;
  struct Row {
    const char* text;
    bool valid;
    bool capture;
    std::vector<RemoteItem> items;
  };
  const std::vector<Row> rows = {
      {"?CAPTURE", true, true, {{K::Capture, "CAPTURE"}}},
      {"?capture", true, true, {{K::Capture, "capture"}}},
      {"?CaPtUrE", true, true, {{K::Capture, "CaPtUrE"}}},
      {"?RI&CPFF=x", true, false, {{K::Ri, "RI"}, {K::Cpff, "CPFF=x"}}},
      {"?ri=5&rc&cpff", true, false, {{K::Ri, "ri=5"}, {K::Rc, "rc"}, {K::Cpff, "cpff"}}},
      {"?RCAPTURE", true, false, {{K::Rc, "RCAPTURE"}}},
      {"?CAPTURE&CAPTURE", true, true, {{K::Capture, "CAPTURE"}, {K::Capture, "CAPTURE"}}},
      {"?&&CAPTUREX&", true, true, {{K::Capture, "CAPTUREX"}}},
      {"?CAM=Cam1&CAP", true, false, {{K::Other, "CAM=Cam1"}, {K::Other, "CAP"}}},
      {"?", true, false, {}},
      {"CAPTURE", false, false, {}},
      {"", false, false, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto command = parseCommandText(row.text);
    ASSERT_EQ(command.has_value(), row.valid);
    if (!command)
      continue;
    EXPECT_EQ(command->capture, row.capture);
    EXPECT_EQ(command->items, row.items);
  }
}
