#pragma once
// A connected stream, plain TCP or TLS: what a connection's reader and
// writer use, so neither cares which it has.
#include <cstddef>

namespace platform {

class Transport {
 public:
  virtual ~Transport() = default;
  // 1 when bytes (or the end of the stream) can be read, 0 on time-out, -1 on error.
  virtual int waitReadable(int timeoutMs) = 0;
  // The count, 0 at the end of the stream, -1 on error, kNothingYet when no
  // whole piece has arrived yet (a TLS record still coming).
  virtual long receive(void* data, size_t length) = 0;
  // Every byte unless the peer stops taking them for `timeoutMs`.
  virtual bool sendAllWithin(const void* data, size_t length, int timeoutMs) = 0;
  // Ends both directions: a thread waiting on the stream wakes up.
  virtual void shutdown() = 0;
  static constexpr long kNothingYet = -2;
};

// Plain TCP on `fd`; the descriptor stays the caller's to close.
class PlainTransport : public Transport {
 public:
  explicit PlainTransport(int fd) : fd_(fd) {}
  int waitReadable(int timeoutMs) override;
  long receive(void* data, size_t length) override;
  bool sendAllWithin(const void* data, size_t length, int timeoutMs) override;
  void shutdown() override;

 private:
  int fd_;
};

}  // namespace platform
