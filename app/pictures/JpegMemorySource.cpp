#include "app/pictures/JpegMemorySource.h"

#include <jerror.h>
#include <type_traits>

namespace {

// What the library reads once the data has run out: an end-of-image marker.
const JOCTET kFakeEndOfImage[2] = {0xFF, JPEG_EOI};

} // namespace

static_assert(std::is_standard_layout_v<CJpegMemorySource>,
              "the library's pointer is cast back to the source");

CJpegMemorySource::CJpegMemorySource() {
  m_manager.init_source = initSource;
  m_manager.fill_input_buffer = fillInputBuffer;
  m_manager.skip_input_data = skipInputData;
  m_manager.resync_to_restart = jpeg_resync_to_restart;
  m_manager.term_source = termSource;
}

void CJpegMemorySource::Attach(j_decompress_ptr info, const BYTE* data, std::size_t size) {
  m_manager.next_input_byte = data;
  m_manager.bytes_in_buffer = data ? size : 0;
  m_ranOut = false;
  info->src = &m_manager;
}

CJpegMemorySource& CJpegMemorySource::self(j_decompress_ptr info) {
  return *reinterpret_cast<CJpegMemorySource*>(info->src);
}

void CJpegMemorySource::initSource(j_decompress_ptr) {}

void CJpegMemorySource::termSource(j_decompress_ptr) {}

boolean CJpegMemorySource::fillInputBuffer(j_decompress_ptr info) {
  CJpegMemorySource& source = self(info);
  // The data is all there is: end the stream cleanly, as a warning.
  WARNMS(info, JWRN_JPEG_EOF);
  source.m_ranOut = true;
  source.m_manager.next_input_byte = kFakeEndOfImage;
  source.m_manager.bytes_in_buffer = sizeof kFakeEndOfImage;
  return TRUE;
}

void CJpegMemorySource::skipInputData(j_decompress_ptr info, long count) {
  if (count <= 0)
    return;
  jpeg_source_mgr& manager = self(info).m_manager;
  const auto wanted = static_cast<unsigned long>(count);
  if (wanted <= manager.bytes_in_buffer) {
    manager.next_input_byte += wanted;
    manager.bytes_in_buffer -= wanted;
    return;
  }
  // Skipping beyond the end leaves nothing but the fake end marker.
  manager.next_input_byte += manager.bytes_in_buffer;
  manager.bytes_in_buffer = 0;
  fillInputBuffer(info);
}
