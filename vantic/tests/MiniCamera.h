// A small camera model for the scripted port: answers the wake probe with
// NAK, stores register writes, answers register reads, acknowledges actions
// (ENQ follows when `enqAfterAction`), sends stored objects in blocks
// (resending on NAK, stopping on CAN) and takes object writes. A test's
// `fault` hook may answer a unit first (return a value) to inject faults.
#pragma once

#include "ScriptedPort.h"

#include <functional>
#include <map>
#include <optional>

namespace tarsel::vantic::test {

class MiniCamera {
public:
  MiniCamera();
  Bytes operator()(const Bytes& unit);

  // The next block of the current object read as the camera would send it.
  Bytes currentBlock() const;

  std::map<int, std::uint32_t> registers;
  std::map<int, Bytes> objects;
  std::map<int, Bytes> written; // object writes by register
  std::function<std::optional<Bytes>(const Bytes& unit)> fault;
  bool enqAfterAction = true;
  std::size_t blockSize = 2048;
  bool unchecked = false;
  std::vector<int> actions;

private:
  int m_reading = -1; // register of the object being read
  std::size_t m_offset = 0;
  std::uint8_t m_sequence = 0;
  int m_writing = -1; // register of the object being written
};

} // namespace tarsel::vantic::test
