// The process-wide table from camera number to camera object that lets the
// library's progress call-backs find the camera a transfer belongs to.
//
// Threads: any; one lock guards the table. A camera enters itself when it is
// initialised and leaves before it is destroyed, so an object found here is
// alive while the table's lock is held.
#pragma once

#include <functional>

class CVeskDllWr;

namespace tarsel::vesk {

class VeskProgressMap {
public:
  // Enters the camera under its number, replacing an object held before.
  static void Enter(int number, CVeskDllWr* camera);
  // Removes every entry of this camera object.
  static void Remove(CVeskDllWr* camera);
  // Runs `use` on the object of `number` (null when there is none), under the
  // table's lock.
  static void With(int number, const std::function<void(CVeskDllWr*)>& use);
};

} // namespace tarsel::vesk
