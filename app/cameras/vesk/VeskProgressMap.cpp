#include "app/cameras/vesk/VeskProgressMap.h"

#include <map>
#include <mutex>

namespace tarsel::vesk {
namespace {

struct Table {
  std::mutex lock;
  std::map<int, CVeskDllWr*> cameras;
};

Table& table() {
  static Table instance;
  return instance;
}

} // namespace

void VeskProgressMap::Enter(int number, CVeskDllWr* camera) {
  Table& t = table();
  const std::lock_guard<std::mutex> guard(t.lock);
  t.cameras[number] = camera;
}

void VeskProgressMap::Remove(CVeskDllWr* camera) {
  Table& t = table();
  const std::lock_guard<std::mutex> guard(t.lock);
  std::erase_if(t.cameras, [camera](const auto& entry) { return entry.second == camera; });
}

void VeskProgressMap::With(int number, const std::function<void(CVeskDllWr*)>& use) {
  Table& t = table();
  const std::lock_guard<std::mutex> guard(t.lock);
  const auto found = t.cameras.find(number);
  use(found == t.cameras.end() ? nullptr : found->second);
}

} // namespace tarsel::vesk
