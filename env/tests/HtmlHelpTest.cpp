#include "env/HtmlHelp.h"

#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace tarsel::test;

namespace {

struct Call {
  HWND parent = nullptr;
  std::string url;
};

// Installs a hook that records its calls, and removes it at the end.
class CapturingHook {
public:
  CapturingHook() {
    CHtmlHelp::SetDisplayHook([this](HWND parent, const std::string& url) {
      m_calls.push_back({parent, url});
    });
  }
  ~CapturingHook() { CHtmlHelp::SetDisplayHook({}); }
  const std::vector<Call>& calls() const { return m_calls; }

private:
  std::vector<Call> m_calls;
};

// The file URLs of paths as an independent encoder writes them, one per path.
std::vector<std::string> expectedUrls(const std::vector<std::string>& paths) {
  std::vector<std::string> argv = {"python3", "-c",
                                   "import sys, urllib.parse\n"
                                   "for p in sys.argv[1:]:\n"
                                   "    print('file://' + urllib.parse.quote(p, safe='/'))\n"};
  argv.insert(argv.end(), paths.begin(), paths.end());
  const ProcessResult r = runProgram(argv);
  EXPECT_EQ(r.exitCode, 0);
  std::vector<std::string> urls;
  std::size_t start = 0;
  for (std::size_t end; (end = r.out.find('\n', start)) != std::string::npos; start = end + 1)
    urls.push_back(r.out.substr(start, end - start));
  urls.resize(paths.size());
  return urls;
}

} // namespace

TEST(HtmlHelp, HelpFolderLiesBesideTheRunningProgram) {
  const auto program = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(CHtmlHelp::HelpFolder(), program.parent_path().string() + "/help");
}

TEST(HtmlHelp, TheHookReceivesTheTopicsFileUrl) {
  CapturingHook hook;
  CHtmlHelp help;
  int window = 0;
  const std::string folder = CHtmlHelp::HelpFolder();

  help.DisplayHelp(&window, "01_introduction.htm");
  help.DisplayHelp(nullptr, "a topic/Gr\xC3\xBC\xC3\x9F"
                            "e?#%.htm");
  help.DisplayHelp(nullptr, nullptr);
  help.DisplayHelp(nullptr, "");

  ASSERT_EQ(hook.calls().size(), 4u);
  const auto urls = expectedUrls({folder + "/01_introduction.htm",
                                  folder + "/a topic/Gr\xC3\xBC\xC3\x9F"
                                           "e?#%.htm",
                                  folder + "/index.html"});
  EXPECT_EQ(hook.calls()[0].parent, &window);
  EXPECT_EQ(hook.calls()[0].url, urls[0]);
  EXPECT_EQ(hook.calls()[0].url.rfind("file:///", 0), 0u);
  EXPECT_EQ(hook.calls()[1].url, urls[1]);
  EXPECT_NE(hook.calls()[1].url.find("/a%20topic/Gr%C3%BC%C3%9Fe%3F%23%25.htm"), std::string::npos);
  EXPECT_EQ(hook.calls()[2].url, urls[2]);
  EXPECT_EQ(hook.calls()[3].url, urls[2]);
}

TEST(HtmlHelp, WithoutAHookNothingHappens) {
  int calls = 0;
  CHtmlHelp::SetDisplayHook([&calls](HWND, const std::string&) { ++calls; });
  const HelpDisplayHook previous = CHtmlHelp::SetDisplayHook({});
  ASSERT_TRUE(previous);
  CHtmlHelp().DisplayHelp(nullptr, "topic.htm");
  EXPECT_EQ(calls, 0);
  previous(nullptr, "direct");
  EXPECT_EQ(calls, 1);
}

TEST(HtmlHelp, HooksMayBeSwappedWhileOtherThreadsShowHelp) {
  std::atomic<int> calls{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &calls] {
      for (int i = 0; i < 200; ++i) {
        if (t == 0)
          CHtmlHelp::SetDisplayHook(i % 2 ? HelpDisplayHook{}
                                          : [&calls](HWND, const std::string&) { ++calls; });
        else
          CHtmlHelp().DisplayHelp(nullptr, "x.htm");
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  CHtmlHelp::SetDisplayHook({});
  EXPECT_LE(calls.load(), 600);
}
