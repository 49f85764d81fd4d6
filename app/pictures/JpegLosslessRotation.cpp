#include "app/pictures/JpegLosslessRotation.h"

#include "app/pictures/JpegDecompressor.h"
#include "app/pictures/JpegError.h"
#include "app/pictures/JpegMemoryDestination.h"
#include "platform/Bytes.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <utility>

namespace tarsel::pictures {

namespace {

using namespace std::string_view_literals;

// A compression object writing into memory, with our error handler.
struct Compressor {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  JpegMemoryDestination destination;

  Compressor() {
    info.err = InstallThrowingErrorHandler(errors);
    jpeg_CreateCompress(&info, JPEG_LIB_VERSION, sizeof info);
    destination.Attach(&info);
  }
  ~Compressor() { jpeg_destroy_compress(&info); }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;
};

JDIMENSION roundUp(JDIMENSION value, int multiple) {
  const auto step = static_cast<JDIMENSION>(multiple);
  return (value + step - 1) / step * step;
}

bool startsWith(const jpeg_marker_struct& marker, std::string_view prefix) {
  return marker.data_length >= prefix.size() && std::memcmp(marker.data, prefix.data(), prefix.size()) == 0;
}

bool isExif(const jpeg_marker_struct* marker) {
  return marker && marker->marker == JPEG_APP0 + 1 && startsWith(*marker, "Exif\0\0"sv);
}

// Sets the image width and height tags (0xA002, 0xA003) of the Exif
// sub-directory to the turned size, each as one LONG, the way jpegtran
// does: only when both directories start below 64 KiB and only for entries
// wholly inside the block. `tiff` is the block from its byte-order mark on.
void setExifImageSize(std::span<std::uint8_t> tiff, JDIMENSION width, JDIMENSION height) {
  constexpr std::size_t kEntry = 12;
  const std::size_t size = tiff.size();
  if (size < kEntry)
    return;
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
    return;
  if (bytes::load<std::uint16_t>(tiff, 2, little) != 42)
    return;
  // The directory offsets, count and entries come from the camera's file:
  // each is checked against the block before it is read.
  std::uint32_t offset = bytes::load<std::uint32_t>(tiff, 4, little);
  if (offset > 0xFFFF || offset > size - 2)
    return;
  unsigned count = bytes::load<std::uint16_t>(tiff, offset, little);
  std::size_t at = offset + 2;
  for (;; at += kEntry) {
    if (count == 0 || at > size - kEntry)
      return;
    if (bytes::load<std::uint16_t>(tiff, at, little) == 0x8769)
      break;
    --count;
  }
  offset = bytes::load<std::uint32_t>(tiff, at + 8, little);
  if (offset > 0xFFFF || offset > size - 2)
    return;
  count = bytes::load<std::uint16_t>(tiff, offset, little);
  if (count < 2)
    return;
  for (at = offset + 2; count > 0; --count, at += kEntry) {
    if (at > size - kEntry)
      return;
    const std::uint16_t tag = bytes::load<std::uint16_t>(tiff, at, little);
    if (tag != 0xA002 && tag != 0xA003)
      continue;
    bytes::store<std::uint16_t>(tiff, at + 2, 4, little);
    bytes::store<std::uint32_t>(tiff, at + 4, 1, little);
    bytes::store<std::uint32_t>(tiff, at + 8, (tag == 0xA002 ? width : height) & 0xFFFF, little);
  }
}

void transposeQuantTables(jpeg_compress_struct& out) {
  for (JQUANT_TBL* table : out.quant_tbl_ptrs) {
    if (!table)
      continue;
    for (int row = 0; row < DCTSIZE; ++row)
      for (int column = 0; column < row; ++column)
        std::swap(table->quantval[row * DCTSIZE + column], table->quantval[column * DCTSIZE + row]);
  }
}

void copyMarkers(const jpeg_decompress_struct& in, jpeg_compress_struct& out) {
  for (const jpeg_marker_struct* marker = in.marker_list; marker; marker = marker->next) {
    // The writer has emitted its own JFIF or Adobe marker already.
    if (out.write_JFIF_header && marker->marker == JPEG_APP0 && startsWith(*marker, "JFIF\0"sv))
      continue;
    if (out.write_Adobe_marker && marker->marker == JPEG_APP0 + 14 && startsWith(*marker, "Adobe"sv))
      continue;
    jpeg_write_marker(&out, marker->marker, marker->data, marker->data_length);
  }
}

// One block turned: read transposed or not, then mirrored by changing the
// sign of the odd columns (across) and of the odd rows (down).
void turnBlock(const JCOEF* from, JCOEF* to, bool transpose, bool mirrorAcross, bool mirrorDown) {
  for (int row = 0; row < DCTSIZE; ++row)
    for (int column = 0; column < DCTSIZE; ++column) {
      const JCOEF value = transpose ? from[column * DCTSIZE + row] : from[row * DCTSIZE + column];
      const bool negate = (mirrorAcross && column % 2 == 1) != (mirrorDown && row % 2 == 1);
      to[row * DCTSIZE + column] = negate ? static_cast<JCOEF>(-value) : value;
    }
}

} // namespace

JpegLosslessRotation::JpegLosslessRotation(int quarterTurns) : m_quarterTurns(quarterTurns) {
  if (quarterTurns < 1 || quarterTurns > 3)
    ThrowJpegBadParameter();
}

std::vector<BYTE> JpegLosslessRotation::Apply(const BYTE* data, std::size_t size) const {
  JpegDecompressor source;
  jpeg_decompress_struct& in = source.info;
  source.Attach(data, size);
  jpeg_save_markers(&in, JPEG_COM, 0xFFFF);
  for (int n = 0; n < 16; ++n)
    jpeg_save_markers(&in, JPEG_APP0 + n, 0xFFFF);
  jpeg_read_header(&in, TRUE);

  // The turned blocks are held by the reading object too, so they must be
  // asked for before it reads the picture's own.
  std::vector<jvirt_barray_ptr> turned = RequestTurnedBlocks(in);
  jvirt_barray_ptr* blocks = jpeg_read_coefficients(&in);
  if (!blocks)
    ThrowJpegBadParameter();

  Compressor target;
  jpeg_compress_struct& out = target.info;
  jpeg_copy_critical_parameters(&in, &out);
  AdjustParameters(in, out);
  jpeg_write_coefficients(&out, turned.data());
  copyMarkers(in, out);
  TurnBlocks(in, out, blocks, turned.data());
  jpeg_finish_compress(&out);
  return target.destination.Take();
}

std::vector<jvirt_barray_ptr> JpegLosslessRotation::RequestTurnedBlocks(jpeg_decompress_struct& in) const {
  // A single component is written 1x1, whatever its sampling factors, so
  // its iMCU is one block.
  const bool single = in.num_components == 1;
  const int maxAcross = single ? 1 : Transposes() ? in.max_v_samp_factor : in.max_h_samp_factor;
  const int maxDown = single ? 1 : Transposes() ? in.max_h_samp_factor : in.max_v_samp_factor;
  const JDIMENSION width = Transposes() ? in.image_height : in.image_width;
  const JDIMENSION height = Transposes() ? in.image_width : in.image_height;
  const JDIMENSION iMCUsAcross = roundUp(width, maxAcross * DCTSIZE) / JDIMENSION(maxAcross * DCTSIZE);
  const JDIMENSION iMCUsDown = roundUp(height, maxDown * DCTSIZE) / JDIMENSION(maxDown * DCTSIZE);

  std::vector<jvirt_barray_ptr> arrays;
  for (int ci = 0; ci < in.num_components; ++ci) {
    const jpeg_component_info& component = in.comp_info[ci];
    const int across = single ? 1 : Transposes() ? component.v_samp_factor : component.h_samp_factor;
    const int down = single ? 1 : Transposes() ? component.h_samp_factor : component.v_samp_factor;
    arrays.push_back(in.mem->request_virt_barray(reinterpret_cast<j_common_ptr>(&in), JPOOL_IMAGE, FALSE,
                                                 iMCUsAcross * JDIMENSION(across),
                                                 iMCUsDown * JDIMENSION(down), JDIMENSION(down)));
  }
  return arrays;
}

void JpegLosslessRotation::AdjustParameters(jpeg_decompress_struct& in, jpeg_compress_struct& out) const {
  if (in.num_components == 1) {
    out.comp_info[0].h_samp_factor = 1;
    out.comp_info[0].v_samp_factor = 1;
  }
  if (Transposes()) {
    std::swap(out.image_width, out.image_height);
    for (int ci = 0; ci < out.num_components; ++ci)
      std::swap(out.comp_info[ci].h_samp_factor, out.comp_info[ci].v_samp_factor);
    transposeQuantTables(out);
  }
  if (!isExif(in.marker_list))
    return;
  // The Exif block describes the picture: no JFIF marker beside it.
  out.write_JFIF_header = FALSE;
  if (out.image_width != in.image_width || out.image_height != in.image_height) {
    jpeg_marker_struct& exif = *in.marker_list;
    const std::size_t header = "Exif\0\0"sv.size();
    setExifImageSize(std::span(exif.data + header, exif.data_length - header), out.image_width,
                     out.image_height);
  }
}

void JpegLosslessRotation::TurnBlocks(jpeg_decompress_struct& in, jpeg_compress_struct& out,
                                      jvirt_barray_ptr* blocks, jvirt_barray_ptr* turned) const {
  const auto common = reinterpret_cast<j_common_ptr>(&in);
  const int iMCUWidth = out.max_h_samp_factor * DCTSIZE;
  const int iMCUHeight = out.max_v_samp_factor * DCTSIZE;
  for (int ci = 0; ci < out.num_components; ++ci) {
    const jpeg_component_info& component = out.comp_info[ci];
    // Blocks of whole iMCUs, which the turn mirrors; past them, at the
    // right and bottom edges, blocks stay in place.
    const JDIMENSION wholeAcross =
        out.image_width / JDIMENSION(iMCUWidth) * JDIMENSION(component.h_samp_factor);
    const JDIMENSION wholeDown =
        out.image_height / JDIMENSION(iMCUHeight) * JDIMENSION(component.v_samp_factor);
    const JDIMENSION rows = roundUp(component.height_in_blocks, component.v_samp_factor);
    const JDIMENSION columns = roundUp(component.width_in_blocks, component.h_samp_factor);
    // The picture's own blocks, also padded to whole iMCUs: every block
    // taken lies inside them, which a slip here must not turn into a read
    // past them.
    const jpeg_component_info& original = in.comp_info[ci];
    const JDIMENSION originalRows = roundUp(original.height_in_blocks, original.v_samp_factor);
    const JDIMENSION originalColumns = roundUp(original.width_in_blocks, original.h_samp_factor);
    // Rows are written top to bottom, as the library's arrays expect.
    for (JDIMENSION y = 0; y < rows; ++y) {
      JBLOCKROW target = in.mem->access_virt_barray(common, turned[ci], y, 1, TRUE)[0];
      const bool mirrorDown = MirrorsDown() && y < wholeDown;
      const JDIMENSION fromY = mirrorDown ? wholeDown - 1 - y : y;
      for (JDIMENSION x = 0; x < columns; ++x) {
        const bool mirrorAcross = MirrorsAcross() && x < wholeAcross;
        const JDIMENSION fromX = mirrorAcross ? wholeAcross - 1 - x : x;
        const JDIMENSION sourceRow = Transposes() ? fromX : fromY;
        const JDIMENSION sourceColumn = Transposes() ? fromY : fromX;
        if (sourceRow >= originalRows || sourceColumn >= originalColumns)
          ThrowJpegBadParameter();
        JBLOCKROW from = in.mem->access_virt_barray(common, blocks[ci], sourceRow, 1, FALSE)[0];
        turnBlock(from[sourceColumn], target[x], Transposes(), mirrorAcross, mirrorDown);
      }
    }
  }
}

} // namespace tarsel::pictures
