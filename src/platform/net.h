#pragma once
// TCP sockets for the remote connection. Every wait is bounded: a peer that
// stops talking or stops reading can only cost a time-out, never a thread.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// A listening socket, or -1 with the step that failed and its errno.
struct TcpListen {
  int fd = -1;
  enum class Failure { None, Socket, Bind, Listen } failure = Failure::None;
  int error = 0;
};
// Listens on `address` (dotted IPv4; "0.0.0.0" or empty: every local
// address); address reuse is set so a restarted server binds at once. Port 0
// picks a free port (tests; see localPort). An address that is not dotted
// IPv4 fails as Bind with EINVAL.
TcpListen listenTcp(uint16_t port, int backlog, const std::string& address = {});
// The port a socket is bound to, or -1.
int localPort(int fd);

// One accepted peer. fd -1 with timedOut when nobody came in time, or with
// error set when accept failed.
struct TcpAccept {
  int fd = -1;
  bool timedOut = false;
  int error = 0;
  std::string peer;  // dotted address
};
TcpAccept acceptTcp(int listenFd, int timeoutMs);

// A new unconnected TCP socket, or -1 (errno set).
int createTcpSocket();
// The dotted IPv4 address of a host name, or nullopt.
std::optional<std::string> resolveHost(const std::string& name);
// Gives an unconnected socket its local address before connecting (a test
// peer speaking from 127.0.0.2, say). False, errno set, on failure.
bool bindLocal(int fd, const std::string& address);
// Connects within `timeoutMs`; false (errno set) on refusal or time-out.
bool connectTcp(int fd, const std::string& address, uint16_t port, int timeoutMs);

// 1 when bytes (or the end of the stream) can be read, 0 on time-out, -1 on error.
int waitReadable(int fd, int timeoutMs);
// recv(2): the count, 0 at the end of the stream, -1 on error.
long receiveSome(int fd, void* data, size_t length);
// Writes every byte unless the peer stops taking them for `timeoutMs`; never
// raises SIGPIPE. False on error or time-out (the stream is then out of step
// and must be shut down).
bool sendAllWithin(int fd, const void* data, size_t length, int timeoutMs);
// Ends both directions: a thread blocked reading the socket wakes up.
void shutdownSocket(int fd);
void closeSocket(int fd);

// Bytes from the system's random source ("/dev/urandom"); false, errno set,
// when it cannot be opened or gives fewer.
bool readRandom(void* data, size_t length, size_t* got);

}  // namespace platform
