#include "remote/RemoteCommandLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace tarsel::remote;

TEST(RemoteCommandLine, EachArgumentIsReadOnItsOwn) {
  const std::string a300(300, 'a');
  // 259 ASCII bytes then a two-byte character that would end at byte 261.
  const std::string cutInside = std::string(259, 'b') + "\xC3\xA9";
  struct Row {
    std::vector<std::string> args;
    std::string text;
    std::string computer;
    std::optional<std::string> userKey;
  };
  const std::vector<Row> rows = {
      {{"/CAPTURE"}, "MSL?CAPTURE", "", std::nullopt},
      {{"/cam=Cam1"}, "MSL?CAM=Cam1&CAPTURE", "", std::nullopt},
      {{"/RI=v", "/CAPTURE", "host"}, "MSL?RI=v&CAPTURE", "host", std::nullopt},
      {{"/CAM=\"My Cam\""}, "MSL?CAM=\"My Cam\"&CAPTURE", "", std::nullopt},
      {{"/CAM=My Cam"}, "MSL?CAM=My Cam&CAPTURE", "", std::nullopt},
      {{}, "MSL?CAPTURE", "", std::nullopt},
      {{""}, "MSL?CAPTURE", "", std::nullopt},
      {{"/RCAPTURE"}, "MSL?RC", "", std::nullopt},
      {{"/CAMERA=x"}, "MSL?CAPTURE", "", std::nullopt},
      {{"/CAM"}, "MSL?CAPTURE", "", std::nullopt},
      {{"/CAM="}, "MSL?CAPTURE", "", std::nullopt},
      {{"/FOO", "/"}, "MSL?CAPTURE", "", std::nullopt},
      {{"/UK"}, "MSL?CAPTURE", "", std::string()},
      {{"/uk=secret", "/RC"}, "MSL?RC", "", std::string("secret")},
      {{"/CPFF=/home/u/p.cpff"}, "MSL?CPFF=/home/u/p.cpff", "", std::nullopt},
      {{"/cpff=night shot", "pc1"}, "MSL?CPFF=night shot", "pc1", std::nullopt},
      {{"/RI", "/CAM=x"}, "MSL?RI&CAM=x", "", std::nullopt},
      {{"/CAM=x", "/CAPTURE"}, "MSL?CAM=x&CAPTURE", "", std::nullopt},
      {{"/CAPTURE", "/CAM=x"}, "MSL?CAM=x&CAPTURE", "", std::nullopt},
      {{"/RC", "/CPFF", "/RI=a", "/CAPTURE"}, "MSL?RI=a&RC&CPFF&CAPTURE", "", std::nullopt},
      {{"/RI=a", "/RI"}, "MSL?RI=a", "", std::nullopt},
      {{"/RI=a", "/RI=b"}, "MSL?RI=b", "", std::nullopt},
      {{"/RIGHT=5"}, "MSL?RI", "", std::nullopt},
      {{"early", "/CAPTURE", "a", "b"}, "MSL?CAPTURE", "b", std::nullopt},
      {{"/CAPTURE", "host", "/RC"}, "MSL?RC&CAPTURE", "", std::nullopt},
      {{"/RI=" + a300}, "MSL?RI=" + std::string(260, 'a'), "", std::nullopt},
      {{"/CAM=" + cutInside}, "MSL?CAM=" + std::string(259, 'b') + "&CAPTURE", "", std::nullopt},
      {{"/CAPTURE", "*"}, "MSL?CAPTURE", "*", std::nullopt},
  };
  for (const Row& row : rows) {
    std::string trace;
    for (const auto& a : row.args)
      trace += "[" + a.substr(0, 40) + "]";
    SCOPED_TRACE(trace);
    const RemoteCommandLine line = RemoteCommandLine::parse(row.args);
    EXPECT_EQ(line.messageText(), row.text);
    EXPECT_EQ(line.computer, row.computer);
    EXPECT_EQ(line.userKey, row.userKey);
  }
}
