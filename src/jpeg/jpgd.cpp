#include "jpeg/jpgd.h"

#include <csetjmp>
#include <cstdlib>

#include "jpeg/jpeg_errors.h"

namespace jpgd {
namespace {

// Enough for the largest image taken; a stream that needs more (a hostile
// progressive one) fails instead of exhausting the board's memory.
constexpr long kMaxDecoderMemory = 256L * 1024 * 1024;

// The frames this decoder takes: Huffman coded, one or three components, and
// for colour the luma sampling 1 or 2 each way over unsampled chroma.
bool frameTaken(const jpeg_decompress_struct& c) {
  if (c.arith_code) return false;
  if (c.image_width == 0 || c.image_height == 0) return false;
  if (c.image_width > static_cast<JDIMENSION>(kMaxDimension) || c.image_height > static_cast<JDIMENSION>(kMaxDimension))
    return false;
  if (c.num_components == 1) return true;
  if (c.num_components != 3) return false;
  const jpeg_component_info* ci = c.comp_info;
  const bool lumaOk = ci[0].h_samp_factor >= 1 && ci[0].h_samp_factor <= 2 && ci[0].v_samp_factor >= 1 &&
                      ci[0].v_samp_factor <= 2;
  for (int i = 1; i < 3; ++i)
    if (ci[i].h_samp_factor != 1 || ci[i].v_samp_factor != 1) return false;
  return lumaOk;
}

J_COLOR_SPACE outputSpace(int comps) { return comps == 1 ? JCS_GRAYSCALE : comps == 3 ? JCS_RGB : JCS_EXT_RGBA; }

void startReading(jpeg_decompress_struct& c, jpegio::ErrorJump& err, const unsigned char* data, int size) {
  jpegio::installErrorJump(reinterpret_cast<j_common_ptr>(&c), err);
  err.strictWarnings = true;
}

}  // namespace

bool read_jpeg_header(const unsigned char* pSrc_data, int src_data_size, int* width, int* height,
                      int* actual_comps) {
  if (!pSrc_data || src_data_size <= 0 || !width || !height || !actual_comps) return false;
  *actual_comps = 0;
  jpeg_decompress_struct c{};
  jpegio::ErrorJump err;
  startReading(c, err, pSrc_data, src_data_size);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&c);
    return false;
  }
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, pSrc_data, static_cast<unsigned long>(src_data_size));
  const bool ok = jpeg_read_header(&c, TRUE) == JPEG_HEADER_OK && frameTaken(c);
  if (ok) {
    *width = static_cast<int>(c.image_width);
    *height = static_cast<int>(c.image_height);
    *actual_comps = c.num_components;
  }
  jpeg_destroy_decompress(&c);
  return ok;
}

unsigned char* decompress_jpeg_image_from_memory(const unsigned char* pSrc_data, int src_data_size, int* width,
                                                 int* height, int* actual_comps, int req_comps) {
  if (actual_comps) *actual_comps = 0;
  if (!pSrc_data || src_data_size <= 0 || !width || !height || !actual_comps) return nullptr;
  if (req_comps != 1 && req_comps != 3 && req_comps != 4) return nullptr;
  jpeg_decompress_struct c{};
  jpegio::ErrorJump err;
  unsigned char* volatile out = nullptr;
  startReading(c, err, pSrc_data, src_data_size);
  if (setjmp(err.jump)) {
    std::free(out);
    jpeg_destroy_decompress(&c);
    return nullptr;
  }
  jpeg_create_decompress(&c);
  c.mem->max_memory_to_use = kMaxDecoderMemory;
  jpeg_mem_src(&c, pSrc_data, static_cast<unsigned long>(src_data_size));
  if (jpeg_read_header(&c, TRUE) != JPEG_HEADER_OK || !frameTaken(c)) std::longjmp(err.jump, 1);
  c.out_color_space = outputSpace(req_comps);
  c.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&c);
  const size_t stride = static_cast<size_t>(c.output_width) * static_cast<size_t>(req_comps);
  out = static_cast<unsigned char*>(std::malloc(stride * c.output_height));
  if (!out) std::longjmp(err.jump, 1);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = out + stride * c.output_scanline;
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  *width = static_cast<int>(c.output_width);
  *height = static_cast<int>(c.output_height);
  *actual_comps = c.num_components;
  jpeg_destroy_decompress(&c);
  return out;
}

}  // namespace jpgd
