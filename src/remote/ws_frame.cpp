#include "remote/ws_frame.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void putBe32(FrameBytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void putTag(FrameBytes& out, std::string_view tag) {
  out.push_back(static_cast<uint8_t>(tag.size() > 0 ? tag[0] : ' '));
  out.push_back(static_cast<uint8_t>(tag.size() > 1 ? tag[1] : ' '));
}

uint32_t be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

FrameBytes ShortBinaryFrame(std::string_view tag, const uint8_t* data, size_t length) {
  if (length > kShortPayloadMax) return {};
  FrameBytes out{kOpBinary, static_cast<uint8_t>(2 + length)};
  putTag(out, tag);
  if (length > 0) out.insert(out.end(), data, data + length);
  return out;
}

FrameBytes TextFrame(const uint8_t* data, size_t length) {
  if (length > kTextPayloadMax) return {};
  FrameBytes out{kOpText, static_cast<uint8_t>(length), 0, 0, 0, 0};
  if (length > 0) out.insert(out.end(), data, data + length);
  return out;
}

FrameBytes ChunkFrame(std::string_view tag, uint32_t total, uint32_t offset, const uint8_t* object) {
  FrameBytes out{kOpBinary, 126, static_cast<uint8_t>(kChunkCount >> 8), static_cast<uint8_t>(kChunkCount & 0xFF)};
  out.reserve(kChunkFrameSize);
  putTag(out, tag);
  putBe32(out, total);
  putBe32(out, offset);
  const size_t take = offset < total ? std::min<size_t>(kChunkData, total - offset) : 0;
  out.insert(out.end(), object + offset, object + offset + take);
  out.resize(kChunkFrameSize, 0);
  return out;
}

FrameBytes AudioFrame(const uint8_t* data, size_t length) {
  if (length + 6 > kLongCountMax) return {};
  const size_t count = length + 6;
  FrameBytes out{kOpBinary, 126, static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count & 0xFF)};
  putTag(out, "SO");
  putBe32(out, static_cast<uint32_t>(length));
  if (length > 0) out.insert(out.end(), data, data + length);
  return out;
}

FrameBytes EventFrame(int x, int y) {
  char text[16];
  std::snprintf(text, sizeof text, "XY%05d%05d", std::clamp(x, 0, 99999), std::clamp(y, 0, 99999));
  return TextFrame(reinterpret_cast<const uint8_t*>(text), 12);
}

std::string_view WsFrame::tag() const {
  if (op != kOpBinary || bodyLength < 2) return {};
  return {reinterpret_cast<const char*>(body), 2};
}

ReadStatus FrameReader::finishText(WsFrame& frame, size_t payload) {
  uint8_t* key = buf_.data() + 2;
  uint8_t* data = buf_.data() + 6;
  for (size_t i = 0; i < payload; ++i) data[i] ^= key[i % 4];
  frame.body = data;
  frame.bodyLength = strnlen(reinterpret_cast<const char*>(data), payload);
  return ReadStatus::Frame;
}

ReadStatus FrameReader::read(FrameSource& source, WsFrame& frame) {
  auto more = [&](size_t at, size_t n) {
    if (n == 0) return SourceResult::Ok;
    return source.readExact(buf_.data() + at, n, false);
  };
  auto status = [](SourceResult r) { return r == SourceResult::Stalled ? ReadStatus::Stalled : ReadStatus::Closed; };
  std::memset(buf_.data(), 0, buf_.size());
  SourceResult r = source.readExact(buf_.data(), 4, true);
  if (r != SourceResult::Ok) return status(r);
  frame = WsFrame{};
  frame.op = buf_[0];
  frame.lengthByte = buf_[1];
  const uint8_t b1 = buf_[1];
  if (b1 < 126) {
    const bool text = (buf_[0] & 1) != 0;
    const size_t n = (b1 & 0x7F) + (text ? 4u : 0u);
    // A binary frame shorter than its tag has already lent us bytes of the
    // next frame: the stream is out of step.
    if (n < 2) return ReadStatus::Malformed;
    if ((r = more(4, n - 2)) != SourceResult::Ok) return status(r);
    if (text) {
      frame.form = FrameForm::Text;
      return finishText(frame, n - 4);
    }
    frame.form = FrameForm::ShortBinary;
    frame.body = buf_.data() + 2;
    frame.bodyLength = n;
    return ReadStatus::Frame;
  }
  if (b1 == 126) {
    const size_t count = static_cast<size_t>(buf_[2]) << 8 | buf_[3];
    if ((r = more(4, count)) != SourceResult::Ok) return status(r);
    frame.form = FrameForm::Long16;
    frame.body = buf_.data() + 4;
    frame.bodyLength = count;
    return ReadStatus::Frame;
  }
  if ((r = more(4, 2)) != SourceResult::Ok) return status(r);
  const uint32_t length = be32(buf_.data() + 2);
  if (length < 2) return ReadStatus::Malformed;
  if (length > kLongCountMax) return ReadStatus::Oversize;
  if ((r = more(6, length - 2)) != SourceResult::Ok) return status(r);
  frame.form = FrameForm::Long32;
  frame.body = buf_.data() + 6;
  frame.bodyLength = length - 2;
  return ReadStatus::Frame;
}

const char* ReadStatusText(ReadStatus status) {
  switch (status) {
    case ReadStatus::Frame:
      return "frame";
    case ReadStatus::Closed:
      return "closed";
    case ReadStatus::Stalled:
      return "stalled inside a frame";
    case ReadStatus::Oversize:
      return "length beyond the largest frame";
    case ReadStatus::Malformed:
      return "length shorter than its header";
  }
  return "?";
}
