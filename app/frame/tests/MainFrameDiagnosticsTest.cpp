// The frame's diagnostics report: sections appended to the chosen file, the
// program's header once per run and again in each new file, a cancelled
// choice and a file that cannot be opened.
#include "MainFrameTestSupport.h"

#include "app/frame/CommandIds.h"
#include "env/ErrorReport.h"
#include "platform/testsupport/TestSupport.h"

#include <filesystem>
#include <regex>

namespace tarsel::frame::test {
namespace {

namespace cmd = tarsel::frame::cmd;

class MainFrameDiagnostics : public FrameTest {};

// The file's text with each dated line replaced by "[section]".
std::string undated(const std::string& path) {
  static const std::regex dated(R"(\*{11} [^\r\n]* \*{11}\r\n)");
  return std::regex_replace(tarsel::test::readFile(path), dated, "[section]");
}

TEST_F(MainFrameDiagnostics, SectionsGrowTheFileWithTheHeaderOncePerRunAndInEachNewFile) {
  TimedFamily& family = addFamily();
  family.setCameraCount(0);
  tarsel::test::TempDir dir;
  const std::string existing = dir.file("TarselDiag.cdgn");
  const std::string fresh = dir.file("second.txt");
  tarsel::test::writeFile(existing, "old\r\n");
  std::string chosen = existing;
  MainFrameOptions options = optionsFor({&family});
  options.chooseDiagnosticsFile = [&] { return QString::fromStdString(chosen); };
  CMainFrame& frame = start(std::move(options));

  ASSERT_TRUE(frame.CommandState(cmd::DiagnosticsReport).enabled);
  ASSERT_TRUE(frame.RunCommand(cmd::DiagnosticsReport));
  ASSERT_TRUE(frame.RunCommand(cmd::DiagnosticsReport));
  const std::string header = ReportProgramHeader();
  const std::string block = "SDK: Test\r\n\r\n";
  EXPECT_EQ(undated(existing), "old\r\n[section]" + header + block + "[section]" + block);

  chosen = fresh;
  ASSERT_TRUE(frame.RunCommand(cmd::DiagnosticsReport));
  EXPECT_EQ(undated(fresh), "[section]" + header + block);

  // Cancelled: nothing is written.
  chosen.clear();
  frame.RunCommand(cmd::DiagnosticsReport);
  EXPECT_EQ(undated(fresh), "[section]" + header + block);
  EXPECT_TRUE(m_errors.empty());

  // A folder that does not exist: the error is shown and no file appears.
  chosen = dir.file("missing/report.cdgn");
  frame.RunCommand(cmd::DiagnosticsReport);
  ASSERT_EQ(m_errors.size(), 1u);
  EXPECT_NE(m_errors.front().find("(0x02)"), std::string::npos) << m_errors.front();
  EXPECT_FALSE(std::filesystem::exists(chosen));
}

} // namespace
} // namespace tarsel::frame::test
