#include "app/frame/DeviceFolderWatcher.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

namespace tarsel::frame {

std::unique_ptr<DeviceFolderWatcher> DeviceFolderWatcher::Create(const std::string& folder,
                                                                 std::string nodeName, NodeNames names) {
  const int descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (descriptor < 0)
    return nullptr;
  const std::uint32_t mask =
      IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
  if (inotify_add_watch(descriptor, folder.c_str(), mask) < 0) {
    close(descriptor);
    return nullptr;
  }
  return std::unique_ptr<DeviceFolderWatcher>(
      new DeviceFolderWatcher(descriptor, std::move(nodeName), names));
}

DeviceFolderWatcher::DeviceFolderWatcher(int descriptor, std::string nodeName, NodeNames names)
    : m_descriptor(descriptor), m_nodeName(std::move(nodeName)), m_names(names) {
  m_notifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, [this] { readEvents(); });
}

DeviceFolderWatcher::~DeviceFolderWatcher() {
  delete m_notifier;
  close(m_descriptor);
}

bool DeviceFolderWatcher::IsNode(std::string_view name) const {
  if (m_names == NodeNames::Exact)
    return name == m_nodeName;
  if (name.size() <= m_nodeName.size() || name.substr(0, m_nodeName.size()) != m_nodeName)
    return false;
  const std::string_view number = name.substr(m_nodeName.size());
  return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void DeviceFolderWatcher::readEvents() {
  bool arrived = false;
  bool removed = false;
  bool folderGone = false;
  // The descriptor is non-blocking: read every event queued now.
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t got = read(m_descriptor, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      break;
    const auto size = static_cast<std::size_t>(got);
    std::size_t at = 0;
    // The kernel writes whole events, but check each length before use.
    while (at + sizeof(inotify_event) <= size) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const std::size_t nameStart = at + sizeof(inotify_event);
      if (event.len > size - nameStart)
        break;
      const char* nameBytes = buffer + nameStart;
      const std::string_view name(nameBytes, strnlen(nameBytes, event.len));
      at = nameStart + event.len;
      if (event.mask & (IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
        arrived = removed = true;
        folderGone = folderGone || !(event.mask & IN_Q_OVERFLOW);
        continue;
      }
      if (!IsNode(name))
        continue;
      if (event.mask & (IN_CREATE | IN_MOVED_TO))
        arrived = true;
      if (event.mask & (IN_DELETE | IN_MOVED_FROM))
        removed = true;
    }
  }
  if (folderGone)
    m_notifier->setEnabled(false);
  if (removed)
    emit deviceRemoved();
  if (arrived)
    emit deviceArrived();
}

} // namespace tarsel::frame
