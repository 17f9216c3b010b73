#include "jpeg/jpge.h"

#include <csetjmp>

#include "jpeg/jpeg_errors.h"

namespace jpge {
namespace {

// Writes straight into the caller's buffer; running out of it is a failure,
// never a reallocation.
struct FixedDestination {
  jpeg_destination_mgr mgr;
  JOCTET* start;
  size_t capacity;
};

void initDestination(j_compress_ptr c) {
  auto* d = reinterpret_cast<FixedDestination*>(c->dest);
  d->mgr.next_output_byte = d->start;
  d->mgr.free_in_buffer = d->capacity;
}

boolean bufferFull(j_compress_ptr c) {
  auto* err = reinterpret_cast<jpegio::ErrorJump*>(c->err);
  std::longjmp(err->jump, 1);
}

void termDestination(j_compress_ptr) {}

bool paramsValid(const void* buf, int size, int width, int height, int channels, const uint8_t* pixels,
                 const params& p) {
  if (!buf || !pixels || size <= 0 || width <= 0 || height <= 0) return false;
  if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) return false;
  if (channels != 1 && channels != 3 && channels != 4) return false;
  if (p.m_quality < 1 || p.m_quality > 100) return false;
  return p.m_subsampling >= Y_ONLY && p.m_subsampling <= H2V2;
}

J_COLOR_SPACE inputSpace(int channels) {
  return channels == 1 ? JCS_GRAYSCALE : channels == 3 ? JCS_RGB : JCS_EXT_RGBX;
}

void applyParams(jpeg_compress_struct& c, const params& p) {
  jpeg_set_defaults(&c);
  c.dct_method = JDCT_ISLOW;
  if (p.m_subsampling == Y_ONLY && c.in_color_space != JCS_GRAYSCALE) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
  jpeg_set_quality(&c, p.m_quality, TRUE);
  c.optimize_coding = p.m_two_pass_flag ? TRUE : FALSE;
  if (c.num_components != 3) return;
  static constexpr int kLumaFactors[4][2] = {{1, 1}, {1, 1}, {2, 1}, {2, 2}};
  c.comp_info[0].h_samp_factor = kLumaFactors[p.m_subsampling][0];
  c.comp_info[0].v_samp_factor = kLumaFactors[p.m_subsampling][1];
  for (int i = 1; i < 3; ++i) {
    c.comp_info[i].h_samp_factor = 1;
    c.comp_info[i].v_samp_factor = 1;
    if (p.m_no_chroma_discrim_flag) c.comp_info[i].quant_tbl_no = 0;
  }
}

}  // namespace

bool compress_image_to_jpeg_file_in_memory(void* pBuf, int& buf_size, int width, int height, int num_channels,
                                           const uint8_t* pImage_data, const params& comp_params) {
  if (!paramsValid(pBuf, buf_size, width, height, num_channels, pImage_data, comp_params)) return false;
  jpeg_compress_struct c{};
  jpegio::ErrorJump err;
  FixedDestination dest{{}, static_cast<JOCTET*>(pBuf), static_cast<size_t>(buf_size)};
  jpegio::installErrorJump(reinterpret_cast<j_common_ptr>(&c), err);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&c);
    return false;
  }
  jpeg_create_compress(&c);
  dest.mgr.init_destination = initDestination;
  dest.mgr.empty_output_buffer = bufferFull;
  dest.mgr.term_destination = termDestination;
  c.dest = &dest.mgr;
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = num_channels;
  c.in_color_space = inputSpace(num_channels);
  applyParams(c, comp_params);
  jpeg_start_compress(&c, TRUE);
  const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(num_channels);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pImage_data + stride * c.next_scanline);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  buf_size = static_cast<int>(dest.capacity - dest.mgr.free_in_buffer);
  jpeg_destroy_compress(&c);
  return true;
}

}  // namespace jpge
