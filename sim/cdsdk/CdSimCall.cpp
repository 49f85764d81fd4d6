#include "sim/cdsdk/CdSimCall.h"

#include <cstdio>
#include <functional>

namespace tarsel::cdsim {
namespace {

unsigned threadNumber() {
  return static_cast<unsigned>(std::hash<std::thread::id>{}(std::this_thread::get_id()) % 100000);
}

} // namespace

CallScope::CallScope(u32 entry, const char* name, std::string arguments, u32 firstHandle)
    : m_entry(entry), m_name(name), m_arguments(std::move(arguments)) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.started) {
    m_refused = cdsdk::kErrInvalidCall;
    s.violation(std::string(name) + " called while the SDK is not started");
    return;
  }
  m_refused = s.injected(entry);
  Camera* camera = s.cameraOf(firstHandle);
  if (camera == nullptr)
    return;
  m_camera = camera->index;
  const auto me = std::this_thread::get_id();
  for (const auto& [thread, depth] : camera->callsInside) {
    if (thread != me && depth > 0) {
      ++s.counts.overlappingCalls;
      s.report(std::string(name) + " on camera " + std::to_string(camera->index) +
               " while another thread is inside a call on it");
      break;
    }
  }
  ++camera->callsInside[me];
}

CallScope::~CallScope() {
  if (!m_finished)
    finish(0x0002);
}

u32 CallScope::finish(u32 result) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  m_finished = true;
  char head[96];
  std::snprintf(head, sizeof head, "%lld %05u %s(%u) ", s.millisecondsSinceLoad(), threadNumber(), m_name,
                static_cast<unsigned>(m_entry));
  char tail[32];
  std::snprintf(tail, sizeof tail, " -> 0x%X%s", static_cast<unsigned>(result),
                m_refused != 0 && result == m_refused ? " (refused)" : "");
  s.addLog(head + m_arguments + tail);
  if (m_camera >= 0 && static_cast<std::size_t>(m_camera) < s.cameras.size()) {
    auto& inside = s.cameras[static_cast<std::size_t>(m_camera)]->callsInside;
    const auto me = std::this_thread::get_id();
    if (auto it = inside.find(me); it != inside.end() && --it->second <= 0)
      inside.erase(it);
  }
  return result;
}

} // namespace tarsel::cdsim
