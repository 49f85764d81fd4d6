// Uploads N files of M MiB through the FTP session engine (synchronous
// mode, one log-in, as direct saves run) to the loopback FTP server of the
// tests, then the same bytes N times with one curl process (curl -T, one
// log-in, the connection reused), and prints both throughputs and their
// ratio. Both write into folders of the same server, on the same disk.
//
// Usage: ftp_session_bench [folder] [count] [MiB]; default ./ftp-session-bench 100 8.
#include "savers/ftp/FtpSession.h"
#include "savers/ftp/testsupport/FtpTestServer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration elapsed) {
  return std::chrono::duration<double>(elapsed).count();
}

} // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = std::filesystem::absolute(argc > 1 ? argv[1] : "ftp-session-bench");
  const int count = argc > 2 ? std::atoi(argv[2]) : 100;
  const int mib = argc > 3 ? std::atoi(argv[3]) : 8;
  if (count <= 0 || mib <= 0) {
    std::fprintf(stderr, "usage: ftp_session_bench [folder] [count] [MiB]\n");
    return 2;
  }
  try {
    tarsel::ftp::test::FtpTestServer server(folder / "server");
    std::vector<char> bytes(static_cast<std::size_t>(mib) << 20);
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<char>(i * 2654435761u >> 13);
    const double total = static_cast<double>(bytes.size()) * count / (1 << 20);

    CFtpSession session(true, nullptr);
    auto start = Clock::now();
    if (HRESULT rc = session.Connect(server.Address().c_str(), "tarsel", server.kPassword);
        rc != 0 || (rc = session.ChangeDir("engine")) != 0) {
      std::fprintf(stderr, "log-in failed: 0x%X\n", static_cast<unsigned>(rc));
      return 1;
    }
    for (int i = 0; i < count; ++i) {
      const std::string name = "file" + std::to_string(i) + ".bin";
      if (const HRESULT rc = session.Upload(bytes.data(), bytes.size(), name.c_str())) {
        std::fprintf(stderr, "upload failed: 0x%X\n", static_cast<unsigned>(rc));
        return 1;
      }
    }
    session.Quit();
    const double engine = total / seconds(Clock::now() - start);

    const std::filesystem::path source = folder / "source.bin";
    std::ofstream(source, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::vector<std::string> words = {
        "curl", "-s", "-S", "--ftp-create-dirs", "--user", std::string("tarsel:") + server.kPassword};
    for (int i = 0; i < count; ++i) {
      words.push_back("-T");
      words.push_back(source.string());
      words.push_back("ftp://" + server.Address() + "/curl/file" + std::to_string(i) + ".bin");
    }
    std::vector<char*> curlArgs;
    for (std::string& word : words)
      curlArgs.push_back(word.data());
    curlArgs.push_back(nullptr);
    start = Clock::now();
    pid_t pid = -1;
    int status = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, curlArgs.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "curl failed\n");
      return 1;
    }
    const double curl = total / seconds(Clock::now() - start);

    for (const char* side : {"engine", "curl"})
      for (int i = 0; i < count; ++i)
        if (std::filesystem::file_size(server.Home() / side / ("file" + std::to_string(i) + ".bin")) !=
            bytes.size()) {
          std::fprintf(stderr, "%s: file %d is incomplete\n", side, i);
          return 1;
        }
    std::printf("%d files of %d MiB to a loopback FTP server\n", count, mib);
    std::printf("session engine: %8.1f MiB/s\n", engine);
    std::printf("curl -T:        %8.1f MiB/s\n", curl);
    std::printf("ratio:          %8.2f\n", engine / curl);
    std::filesystem::remove_all(folder);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
