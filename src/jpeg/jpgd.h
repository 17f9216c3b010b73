#pragma once
// JPEG decoder of received screen images: baseline, extended and progressive
// Huffman frames from memory. A thin layer over libjpeg-turbo.
#include <cstdint>

namespace jpgd {

// Largest width and height taken.
inline constexpr int kMaxDimension = 16384;

// Decodes to `req_comps` bytes per pixel (1 grey, 3 R G B, 4 R G B 255) in a
// new array the caller releases with free(); nullptr on any failure.
// `actual_comps` gets the image's own component count (1 or 3).
unsigned char* decompress_jpeg_image_from_memory(const unsigned char* pSrc_data, int src_data_size, int* width,
                                                 int* height, int* actual_comps, int req_comps);

// Reads only the frame header: the size and component count of an image,
// so a caller can refuse one before decoding it. False when it is not a JPEG
// stream this decoder takes.
bool read_jpeg_header(const unsigned char* pSrc_data, int src_data_size, int* width, int* height,
                      int* actual_comps);

}  // namespace jpgd
