// Uploads N files of M MiB through the FTP session engine (synchronous
// mode, one log-in, as direct saves run) and the same bytes with one curl
// process (curl -T per file, one log-in, the connection reused), side by
// side in rounds: each round runs both, the one that goes first alternating,
// after a warm-up round that is not counted. Before each side the disks are
// flushed (sync, not timed), so neither side pays for the other's writeback;
// after it every file is compared with the bytes sent, then removed.
//
// It does so against the loopback server of the tests and against a private
// vsftpd (when it starts), and prints per server each round's throughputs
// and the least, median and greatest ratio engine/curl.
//
// Usage: ftp_session_bench [folder] [count] [MiB] [rounds]; without a count
// it measures 1, 10 and 100 files in turn. Default ./ftp-session-bench, files
// of 1 MiB, 5 rounds.
#include "platform/testsupport/BenchSpread.h"
#include "savers/ftp/FtpSession.h"
#include "savers/ftp/bench/LoopbackVsftpd.h"
#include "savers/ftp/testsupport/FtpTestServer.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Target {
  const char* name;
  std::string address;
  std::string user;
  std::string password;
  fs::path home;    // the server's folder for `base` on this disk
  std::string base; // where the uploads go on the server ("" or "up/")
};

struct Load {
  const std::vector<char>& bytes;
  fs::path source; // the same bytes in a file, for curl
  int count;
};

std::string fileName(int i) {
  return "file" + std::to_string(i) + ".bin";
}

double engineSeconds(const Target& target, const Load& load) {
  const auto start = Clock::now();
  CFtpSession session(true, nullptr);
  HRESULT rc = session.Connect(target.address.c_str(), target.user.c_str(), target.password.c_str());
  if (rc == 0)
    rc = session.ChangeDir((target.base + "engine").c_str());
  for (int i = 0; rc == 0 && i < load.count; ++i)
    rc = session.Upload(load.bytes.data(), load.bytes.size(), fileName(i).c_str());
  if (rc != 0)
    throw std::runtime_error("engine: error " + std::to_string(rc));
  session.Quit();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double curlSeconds(const Target& target, const Load& load) {
  std::vector<std::string> words = {
      "curl", "-s", "-S", "--ftp-create-dirs", "--user", target.user + ":" + target.password};
  for (int i = 0; i < load.count; ++i) {
    words.push_back("-T");
    words.push_back(load.source.string());
    words.push_back("ftp://" + target.address + "/" + target.base + "curl/" + fileName(i));
  }
  std::vector<char*> argv;
  for (std::string& word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = -1;
  int status = 0;
  if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0 ||
      waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("curl failed");
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Every file of `side` holds the bytes sent; the folder is removed after.
void checkAndRemove(const Target& target, const char* side, const Load& load) {
  const fs::path folder = target.home / side;
  for (int i = 0; i < load.count; ++i) {
    std::ifstream in(folder / fileName(i), std::ios::binary);
    const std::vector<char> got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (got != load.bytes)
      throw std::runtime_error(std::string(side) + ": " + fileName(i) + " differs from the bytes sent");
  }
  fs::remove_all(folder);
}

double timedSide(bool engine, const Target& target, const Load& load) {
  ::sync();
  const double elapsed = engine ? engineSeconds(target, load) : curlSeconds(target, load);
  checkAndRemove(target, engine ? "engine" : "curl", load);
  return elapsed;
}

void run(const Target& target, const Load& load, int rounds) {
  const double mib = static_cast<double>(load.bytes.size()) * load.count / (1 << 20);
  std::printf("%s: %d files of %zu MiB a side, %d rounds after a warm-up\n", target.name, load.count,
              load.bytes.size() >> 20, rounds);
  std::vector<double> ratios;
  for (int round = 0; round <= rounds; ++round) {
    const bool engineFirst = round % 2 == 0;
    const double first = timedSide(engineFirst, target, load);
    const double second = timedSide(!engineFirst, target, load);
    const double engine = mib / (engineFirst ? first : second);
    const double curl = mib / (engineFirst ? second : first);
    if (round == 0)
      continue;
    ratios.push_back(engine / curl);
    std::printf("  round %d (%s first): engine %7.1f MiB/s, curl %7.1f MiB/s, ratio %.2f\n", round,
                engineFirst ? "engine" : "curl", engine, curl, engine / curl);
  }
  tarsel::test::PrintSpread("  ratio engine/curl", ratios);
}

} // namespace

int main(int argc, char** argv) {
  try {
    if (argc > 1 && argv[1][0] == '-')
      throw std::invalid_argument(argv[1]);
    const fs::path folder = fs::absolute(argc > 1 ? argv[1] : "ftp-session-bench");
    const std::vector<int> counts =
        argc > 2 ? std::vector<int>{std::stoi(argv[2])} : std::vector<int>{1, 10, 100};
    const int mib = argc > 3 ? std::stoi(argv[3]) : 1;
    const int rounds = argc > 4 ? std::stoi(argv[4]) : 5;
    if (counts.front() <= 0 || mib <= 0 || rounds <= 0)
      throw std::invalid_argument("count, MiB and rounds must be positive");
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::vector<char> bytes(static_cast<std::size_t>(mib) << 20);
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<char>(i * 2654435761u >> 13);
    const fs::path source = folder / "source.bin";
    std::ofstream(source, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

    {
      tarsel::ftp::test::FtpTestServer server(folder / "pyftpdlib");
      for (const int count : counts)
        run({"pyftpdlib", server.Address(), "tarsel", server.kPassword, server.Home(), ""},
            Load{bytes, source, count}, rounds);
    }
    try {
      tarsel::ftp::bench::LoopbackVsftpd vsftpd(folder / "vsftpd");
      for (const int count : counts)
        run({"vsftpd", vsftpd.Address(), "anonymous", "", vsftpd.UploadFolder(), "up/"},
            Load{bytes, source, count}, rounds);
    } catch (const std::runtime_error& error) {
      std::printf("vsftpd: not measured (%s)\n", error.what());
    }
    fs::remove_all(folder);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ftp_session_bench: %s\n", error.what());
    std::fprintf(stderr, "usage: ftp_session_bench [folder] [count] [MiB] [rounds]\n");
    return 1;
  }
}
