// The JPEG layer against libjpeg-turbo's own command-line tools: what we
// encode djpeg decodes to the same pixels we do, and what cjpeg encodes we
// decode as djpeg does.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "jpeg/jpgd.h"
#include "jpeg/jpge.h"

namespace {

constexpr int kW = 800, kH = 480;

std::vector<uint8_t> screen(int channels) {
  std::vector<uint8_t> px(static_cast<size_t>(kW) * kH * channels);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      uint8_t* p = &px[(static_cast<size_t>(y) * kW + x) * channels];
      const bool block = (x / 40 + y / 40) % 3 == 0;
      const uint8_t v[4] = {static_cast<uint8_t>(block ? 30 : x * 255 / kW), static_cast<uint8_t>(y * 255 / kH),
                            static_cast<uint8_t>(block ? 220 : 128), 0};
      for (int c = 0; c < channels; ++c) p[c] = v[c];
    }
  return px;
}

std::vector<uint8_t> encode(const std::vector<uint8_t>& px, int channels, jpge::params p) {
  std::vector<uint8_t> out(static_cast<size_t>(kW) * kH * 4);
  int size = static_cast<int>(out.size());
  if (!jpge::compress_image_to_jpeg_file_in_memory(out.data(), size, kW, kH, channels, px.data(), p)) return {};
  out.resize(static_cast<size_t>(size));
  return out;
}

std::string tempPath(const char* name) { return ::testing::TempDir() + name; }

void writeFile(const std::string& path, const void* data, size_t n) {
  std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The pixels of a binary PPM or PGM (header "P6\n800 480\n255\n").
std::string netpbmPixels(const std::string& file) {
  size_t at = 0;
  for (int fields = 0; fields < 4; ++fields) {
    at = file.find_first_not_of(" \n", at);
    at = file.find_first_of(" \n", at);
  }
  return file.substr(at + 1);
}

bool haveTools() { return std::system("command -v djpeg >/dev/null && command -v cjpeg >/dev/null") == 0; }

TEST(Jpeg, OurEncodingDecodesAsDjpegDecodesIt) {
  if (!haveTools()) GTEST_SKIP() << "djpeg/cjpeg not installed (libjpeg-turbo-progs)";
  for (jpge::subsampling_t s : {jpge::H1V1, jpge::H2V1, jpge::H2V2}) {
    jpge::params p;
    p.m_quality = 85;
    p.m_subsampling = s;
    const std::vector<uint8_t> jpg = encode(screen(3), 3, p);
    ASSERT_FALSE(jpg.empty());
    const std::string in = tempPath("ours.jpg"), out = tempPath("ours.ppm");
    writeFile(in, jpg.data(), jpg.size());
    ASSERT_EQ(std::system(("djpeg -dct int -ppm -outfile " + out + " " + in).c_str()), 0);
    int w = 0, h = 0, comps = 0;
    unsigned char* ours = jpgd::decompress_jpeg_image_from_memory(jpg.data(), static_cast<int>(jpg.size()), &w, &h,
                                                                  &comps, 3);
    ASSERT_NE(ours, nullptr);
    EXPECT_EQ(w, kW);
    EXPECT_EQ(h, kH);
    EXPECT_EQ(comps, 3);
    EXPECT_EQ(netpbmPixels(readFile(out)), std::string(reinterpret_cast<char*>(ours), static_cast<size_t>(kW) * kH * 3))
        << "subsampling " << s;
    std::free(ours);
  }
}

TEST(Jpeg, CjpegOutputDecodesAsDjpegDecodesIt) {
  if (!haveTools()) GTEST_SKIP() << "djpeg/cjpeg not installed (libjpeg-turbo-progs)";
  const std::vector<uint8_t> px = screen(3);
  const std::string ppm = tempPath("in.ppm"), jpg = tempPath("cjpeg.jpg"), back = tempPath("cjpeg.ppm");
  std::string file = "P6\n800 480\n255\n" + std::string(px.begin(), px.end());
  writeFile(ppm, file.data(), file.size());
  for (const char* opts : {"-quality 75", "-quality 90 -progressive", "-quality 60 -restart 2"}) {
    ASSERT_EQ(std::system(("cjpeg " + std::string(opts) + " -outfile " + jpg + " " + ppm).c_str()), 0);
    ASSERT_EQ(std::system(("djpeg -dct int -ppm -outfile " + back + " " + jpg).c_str()), 0);
    const std::string data = readFile(jpg);
    int w = 0, h = 0, comps = 0;
    unsigned char* ours = jpgd::decompress_jpeg_image_from_memory(reinterpret_cast<const unsigned char*>(data.data()),
                                                                  static_cast<int>(data.size()), &w, &h, &comps, 3);
    ASSERT_NE(ours, nullptr) << opts;
    EXPECT_EQ(netpbmPixels(readFile(back)), std::string(reinterpret_cast<char*>(ours), static_cast<size_t>(kW) * kH * 3))
        << opts;
    std::free(ours);
  }
}

TEST(Jpeg, GreyImageWithFourComponentsRequestedIsYYY255) {
  if (!haveTools()) GTEST_SKIP() << "djpeg/cjpeg not installed (libjpeg-turbo-progs)";
  std::string pgm = "P5\n8 8\n255\n";
  for (int i = 0; i < 64; ++i) pgm += static_cast<char>(i * 4);
  const std::string in = tempPath("g.pgm"), jpg = tempPath("g.jpg");
  writeFile(in, pgm.data(), pgm.size());
  ASSERT_EQ(std::system(("cjpeg -grayscale -quality 100 -outfile " + jpg + " " + in).c_str()), 0);
  const std::string data = readFile(jpg);
  int w = 0, h = 0, comps = 0;
  unsigned char* px = jpgd::decompress_jpeg_image_from_memory(reinterpret_cast<const unsigned char*>(data.data()),
                                                              static_cast<int>(data.size()), &w, &h, &comps, 4);
  ASSERT_NE(px, nullptr);
  EXPECT_EQ(comps, 1);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(px[i * 4], px[i * 4 + 1]);
    EXPECT_EQ(px[i * 4], px[i * 4 + 2]);
    EXPECT_EQ(px[i * 4 + 3], 255);
    EXPECT_NEAR(px[i * 4], i * 4, 2);
  }
  std::free(px);
}

TEST(Jpeg, EncoderLimits) {
  const std::vector<uint8_t> px = screen(4);
  jpge::params p;
  p.m_quality = 100;
  p.m_subsampling = jpge::H2V2;
  const std::vector<uint8_t> jpg = encode(px, 4, p);
  ASSERT_FALSE(jpg.empty());
  EXPECT_LT(jpg.size(), static_cast<size_t>(kW) * kH * 4);

  std::vector<uint8_t> small(1000);
  int size = static_cast<int>(small.size());
  EXPECT_FALSE(jpge::compress_image_to_jpeg_file_in_memory(small.data(), size, kW, kH, 4, px.data(), p));
  size = static_cast<int>(small.size());
  EXPECT_FALSE(jpge::compress_image_to_jpeg_file_in_memory(nullptr, size, kW, kH, 4, px.data(), p));
  for (int q : {0, 101}) {
    p.m_quality = q;
    std::vector<uint8_t> out(px.size());
    size = static_cast<int>(out.size());
    EXPECT_FALSE(jpge::compress_image_to_jpeg_file_in_memory(out.data(), size, kW, kH, 4, px.data(), p)) << q;
  }
  p.m_quality = 50;
  std::vector<uint8_t> out(px.size());
  size = static_cast<int>(out.size());
  EXPECT_FALSE(jpge::compress_image_to_jpeg_file_in_memory(out.data(), size, kW, kH, 2, px.data(), p));
  EXPECT_FALSE(jpge::compress_image_to_jpeg_file_in_memory(out.data(), size, 0, kH, 4, px.data(), p));
}

size_t countMarker(const std::vector<uint8_t>& jpg, uint8_t marker) {
  size_t n = 0;
  for (size_t i = 0; i + 1 < jpg.size(); ++i)
    if (jpg[i] == 0xFF && jpg[i + 1] == marker) ++n;
  return n;
}

TEST(Jpeg, ParametersShapeTheStream) {
  const std::vector<uint8_t> px = screen(4);
  jpge::params p;
  p.m_quality = 80;
  const std::vector<uint8_t> standard = encode(px, 4, p);
  p.m_two_pass_flag = true;
  const std::vector<uint8_t> optimised = encode(px, 4, p);
  EXPECT_LT(optimised.size(), standard.size());
  p.m_two_pass_flag = false;
  p.m_no_chroma_discrim_flag = true;
  const std::vector<uint8_t> oneTable = encode(px, 4, p);
  EXPECT_EQ(countMarker(standard, 0xDB), 2u);  // luma and chroma tables
  EXPECT_EQ(countMarker(oneTable, 0xDB), 1u);
  p.m_no_chroma_discrim_flag = false;
  p.m_subsampling = jpge::Y_ONLY;
  const std::vector<uint8_t> grey = encode(px, 4, p);
  int w, h, comps;
  ASSERT_TRUE(jpgd::read_jpeg_header(grey.data(), static_cast<int>(grey.size()), &w, &h, &comps));
  EXPECT_EQ(comps, 1);
}

TEST(Jpeg, DecoderRefusesWhatIsNotAJpegStream) {
  const std::vector<uint8_t> px = screen(3);
  std::vector<uint8_t> jpg = encode(px, 3, jpge::params());
  int w = 0, h = 0, comps = 7;
  const unsigned char junk[] = "not a jpeg at all";
  EXPECT_EQ(jpgd::decompress_jpeg_image_from_memory(junk, sizeof junk, &w, &h, &comps, 3), nullptr);
  EXPECT_EQ(comps, 0);
  EXPECT_EQ(jpgd::decompress_jpeg_image_from_memory(jpg.data(), static_cast<int>(jpg.size()), &w, &h, &comps, 2),
            nullptr);
  EXPECT_EQ(jpgd::decompress_jpeg_image_from_memory(jpg.data(), static_cast<int>(jpg.size()), nullptr, &h, &comps, 3),
            nullptr);
  // Cut in the middle of its entropy-coded data: refused, not shown half grey.
  EXPECT_EQ(jpgd::decompress_jpeg_image_from_memory(jpg.data(), static_cast<int>(jpg.size() / 2), &w, &h, &comps, 3),
            nullptr);
}

}  // namespace
