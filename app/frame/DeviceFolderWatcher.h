// A device watcher over a folder of device nodes, such as the folder a
// device simulator serves its cameras from: an inotify watch whose
// descriptor a QSocketNotifier watches on the user-interface thread. A node
// (an entry named the node prefix followed by digits, or for a single
// device, such as a camera simulator's USB socket, its exact name) that is created or
// moved in emits deviceArrived; one that is deleted or moved out emits
// deviceRemoved; other entries are passed over. Each read emits each signal
// at most once, removal first, so a simulator that stops and removes all
// its nodes asks for one refresh. When the folder itself goes away, or the
// kernel's event queue overflowed, both signals are emitted (what is
// present is unknown) and, for a folder gone, the watch ends.
//
// Threads: made, used and destroyed on the user-interface thread. Failure:
// Create gives null when the folder cannot be watched (it does not exist,
// or inotify is not available).
#pragma once

#include "app/frame/DeviceWatcher.h"

#include <memory>
#include <string>
#include <string_view>

class QSocketNotifier;

namespace tarsel::frame {

class DeviceFolderWatcher : public IDeviceWatcher {
  Q_OBJECT

public:
  // How the nodes are named: the prefix and a number, or the name itself.
  enum class NodeNames { Numbered, Exact };

  static std::unique_ptr<DeviceFolderWatcher> Create(const std::string& folder, std::string nodeName,
                                                     NodeNames names = NodeNames::Numbered);
  ~DeviceFolderWatcher() override;

private:
  DeviceFolderWatcher(int descriptor, std::string nodeName, NodeNames names);
  void readEvents();
  bool IsNode(std::string_view name) const;

  int m_descriptor;
  const std::string m_nodeName;
  const NodeNames m_names;
  QSocketNotifier* m_notifier = nullptr;
};

} // namespace tarsel::frame
