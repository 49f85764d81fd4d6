#include "savers/file/PostProcessCommand.h"

#include "env/BrantelTakeError.h"
#include "platform/UniqueFd.h"
#include "platform/Win32Error.h"
#include "savers/file/FileSaverTexts.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <thread>

#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>

extern char** environ;

namespace tarsel::filesaver {

namespace {

using platform::UniqueFd;

// Collects the programs nobody waits for. The thread starts with the first
// one and sleeps in poll on their process descriptors and a wake-up event.
class ChildReaper {
public:
  ~ChildReaper() { stop(); }

  void adopt(pid_t pid, UniqueFd pidfd) {
    std::lock_guard lock(m_lock);
    if (!m_wake.valid())
      m_wake.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    m_children.push_back(Child{pid, std::move(pidfd)});
    if (!m_thread.joinable() && m_wake.valid())
      m_thread = std::jthread([this](std::stop_token stop) { run(stop); });
    wake();
  }

  void stop() {
    std::jthread thread;
    {
      std::lock_guard lock(m_lock);
      thread = std::move(m_thread);
      if (thread.joinable())
        thread.request_stop();
      wake();
    }
    if (thread.joinable())
      thread.join();
    std::lock_guard lock(m_lock);
    collectEnded();
  }

private:
  struct Child {
    pid_t pid;
    UniqueFd pidfd;
  };

  void wake() {
    if (m_wake.valid()) {
      const std::uint64_t one = 1;
      (void)!::write(m_wake.get(), &one, sizeof one);
    }
  }

  // Reaps whatever has ended; a child someone else reaped (ECHILD) is gone too.
  void collectEnded() {
    std::erase_if(m_children, [](const Child& child) {
      pid_t result = 0;
      do {
        result = ::waitpid(child.pid, nullptr, WNOHANG);
      } while (result < 0 && errno == EINTR);
      return result != 0;
    });
  }

  void run(std::stop_token stop) {
    std::vector<pollfd> fds;
    while (!stop.stop_requested()) {
      bool polling = false;
      {
        std::lock_guard lock(m_lock);
        collectEnded();
        fds.assign(1, pollfd{m_wake.get(), POLLIN, 0});
        for (const Child& child : m_children) {
          if (child.pidfd.valid())
            fds.push_back(pollfd{child.pidfd.get(), POLLIN, 0});
          else
            polling = true;
        }
      }
      // Without a process descriptor the only way is to look again later.
      if (::poll(fds.data(), fds.size(), polling ? 200 : -1) > 0 && (fds[0].revents & POLLIN)) {
        std::uint64_t count = 0;
        (void)!::read(m_wake.get(), &count, sizeof count);
      }
    }
  }

  std::mutex m_lock;
  UniqueFd m_wake;
  std::vector<Child> m_children;
  std::jthread m_thread;
};

ChildReaper& reaper() {
  static ChildReaper instance;
  return instance;
}

std::string commandLineText(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) {
    if (!text.empty())
      text += ' ';
    text += argument;
  }
  return text;
}

// Waits until the program ended or the time is up; true when it ended (and was reaped).
bool waitForEnd(pid_t pid, const UniqueFd& pidfd, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    pid_t result = ::waitpid(pid, nullptr, WNOHANG);
    if (result < 0 && errno == EINTR)
      continue;
    if (result != 0)
      return true;
    // Rounded up, so the wait never ends before its time.
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      return false;
    if (pidfd.valid()) {
      pollfd fd{pidfd.get(), POLLIN, 0};
      (void)::poll(&fd, 1, static_cast<int>(std::min<long long>(left.count(), 1000 * 60 * 60)));
    } else {
      std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(20)));
    }
  }
}

class SpawnSettings {
public:
  SpawnSettings() {
    posix_spawn_file_actions_init(&m_actions);
    posix_spawnattr_init(&m_attributes);
    // Nothing of this process's descriptors goes to the program but the standard ones.
    posix_spawn_file_actions_addclosefrom_np(&m_actions, 3);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&m_attributes, &none);
    sigset_t all;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    posix_spawnattr_setsigdefault(&m_attributes, &all);
    posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnSettings() {
    posix_spawn_file_actions_destroy(&m_actions);
    posix_spawnattr_destroy(&m_attributes);
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;

  const posix_spawn_file_actions_t* actions() const { return &m_actions; }
  const posix_spawnattr_t* attributes() const { return &m_attributes; }

private:
  posix_spawn_file_actions_t m_actions;
  posix_spawnattr_t m_attributes;
};

} // namespace

bool IsValidCommandLine(std::string_view command) {
  const std::size_t percent = command.find('%');
  if (percent == std::string_view::npos)
    return true;
  return percent + 1 < command.size() && command[percent + 1] == 's' &&
         command.find('%', percent + 1) == std::string_view::npos;
}

std::vector<std::string> CommandArguments(std::string_view command, const std::string& path) {
  if (!IsValidCommandLine(command))
    ThrowError(kBadCommandLine, std::string(command).c_str());

  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  for (const char c : command) {
    if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inArgument)
        arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument)
    arguments.push_back(std::move(current));
  if (arguments.empty())
    return arguments;

  bool placed = false;
  for (std::string& argument : arguments) {
    if (const std::size_t at = argument.find("%s"); at != std::string::npos) {
      argument.replace(at, 2, path);
      placed = true;
      break;
    }
  }
  if (!placed)
    arguments.push_back(path);
  return arguments;
}

pid_t RunPostProcessCommand(std::string_view command, const std::string& path, bool wait,
                            std::chrono::milliseconds timeout) {
  const std::vector<std::string> arguments = CommandArguments(command, path);
  if (arguments.empty())
    return 0;
  std::vector<char*> argv;
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  const SpawnSettings spawn;
  pid_t pid = 0;
  const int error = ::posix_spawnp(&pid, argv[0], spawn.actions(), spawn.attributes(), argv.data(), environ);
  if (error != 0)
    ThrowError(static_cast<HRESULT>(Win32FromErrno(error)), commandLineText(arguments).c_str());

  // A descriptor to wait on; without one (an old kernel) waits fall back to polling.
  UniqueFd pidfd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
  if (wait && waitForEnd(pid, pidfd, timeout))
    return pid;
  reaper().adopt(pid, std::move(pidfd));
  return pid;
}

void StopChildReaper() {
  reaper().stop();
}

} // namespace tarsel::filesaver
