#include "app/pictures/JpegMemoryDestination.h"

#include <jerror.h>
#include <new>
#include <type_traits>

namespace tarsel::pictures {

namespace {

constexpr std::size_t kFirstSize = 4096;

} // namespace

static_assert(std::is_standard_layout_v<JpegMemoryDestination>,
              "the library's pointer is cast back to the destination");

JpegMemoryDestination::JpegMemoryDestination() {
  m_manager.init_destination = initDestination;
  m_manager.empty_output_buffer = emptyOutputBuffer;
  m_manager.term_destination = termDestination;
}

void JpegMemoryDestination::Attach(j_compress_ptr info) {
  m_bytes.clear();
  info->dest = &m_manager;
}

JpegMemoryDestination& JpegMemoryDestination::self(j_compress_ptr info) {
  return *reinterpret_cast<JpegMemoryDestination*>(info->dest);
}

void JpegMemoryDestination::grow(j_compress_ptr info) {
  // The library hands over a full buffer: keep all of it, double the room.
  const std::size_t used = m_bytes.size();
  try {
    m_bytes.resize(used ? used * 2 : kFirstSize);
  } catch (const std::bad_alloc&) {
    ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
  }
  m_manager.next_output_byte = m_bytes.data() + used;
  m_manager.free_in_buffer = m_bytes.size() - used;
}

void JpegMemoryDestination::initDestination(j_compress_ptr info) {
  JpegMemoryDestination& destination = self(info);
  destination.m_bytes.clear();
  destination.grow(info);
}

boolean JpegMemoryDestination::emptyOutputBuffer(j_compress_ptr info) {
  self(info).grow(info);
  return TRUE;
}

void JpegMemoryDestination::termDestination(j_compress_ptr info) {
  JpegMemoryDestination& destination = self(info);
  destination.m_bytes.resize(destination.m_bytes.size() - destination.m_manager.free_in_buffer);
}

} // namespace tarsel::pictures
