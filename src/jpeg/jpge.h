#pragma once
// JPEG encoder of screen images: baseline JFIF with Huffman coding, written
// into the caller's buffer. A thin layer over libjpeg-turbo.
#include <cstdint>

namespace jpge {

enum subsampling_t { Y_ONLY = 0, H1V1 = 1, H2V1 = 2, H2V2 = 3 };

struct params {
  int m_quality = 85;                      // 1..100
  subsampling_t m_subsampling = H2V2;      // Y_ONLY, 4:4:4, 4:2:2, 4:2:0
  bool m_no_chroma_discrim_flag = false;   // chroma uses the luma table
  bool m_two_pass_flag = false;            // optimised Huffman tables
};

// Encodes `width` x `height` pixels of `num_channels` bytes (grey; R G B;
// R G B and an ignored byte) into `pBuf`, whose capacity is `buf_size`; on
// success `buf_size` becomes the bytes written. False when the buffer is
// null or too small, or a parameter is out of range.
bool compress_image_to_jpeg_file_in_memory(void* pBuf, int& buf_size, int width, int height, int num_channels,
                                           const uint8_t* pImage_data, const params& comp_params = params());

}  // namespace jpge
