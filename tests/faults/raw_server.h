// Servers that misbehave on purpose, byte by byte: a script decides what each accepted
// connection receives, so a test can stall, cut a body short, send a broken status line, flood
// the client or speak plain text where TLS is expected. They listen on 127.0.0.1 at a port the
// system picks, serve every connection on its own thread, and stop in their destructor, which
// wakes every script that is still holding its connection open.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fixtures/test_servers.h"

namespace ow::faults {

// One accepted connection as a script sees it. Every call returns false (or an empty head) once
// the peer has gone or the server is stopping, so a script may simply carry on to its end.
class RawConnection {
 public:
  virtual ~RawConnection() = default;
  // Everything up to and including the empty line that ends a request head; empty when the
  // connection ends first.
  virtual std::string ReadRequestHead() = 0;
  virtual bool Send(std::string_view bytes) = 0;
  // Sends `count` copies of `fill` in large pieces, without holding them all in memory.
  virtual bool SendRepeated(char fill, std::size_t count) = 0;
  // Neither reads nor writes until the peer closes the connection or the server stops.
  virtual void HoldOpen() = 0;
};

// What a connection gets. When the script returns, the connection is closed.
using ConnectionScript = std::function<void(RawConnection& connection)>;

struct RawServerState;

class RawServer {
 public:
  // Plain TCP, or TLS with the given identity (the handshake is done before the script runs),
  // on `port`, or on a port the system picks when it is 0.
  explicit RawServer(ConnectionScript script,
                     std::optional<fixtures::TlsIdentity> tls = std::nullopt, int port = 0);
  ~RawServer();
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  int Port() const;
  // "127.0.0.1:PORT".
  std::string Authority() const;
  // "http://127.0.0.1:PORT" + pathAndQuery, or https:// for a TLS server.
  std::string Url(std::string_view pathAndQuery) const;

  // Every request head that a script read, in the order read.
  std::vector<std::string> RequestHeads() const;
  int ConnectionCount() const;
  bool WaitForConnections(int count, std::chrono::milliseconds timeout) const;

 private:
  std::shared_ptr<RawServerState> state_;
};

// A port on 127.0.0.1 on which nothing listens for as long as this object lives: the port is
// bound, so no one else can take it, but never listened on, so every connection is refused.
class ClosedPort {
 public:
  ClosedPort();
  ~ClosedPort();
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;

  int Port() const { return port_; }
  std::string Authority() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// ---- Scripts for the usual faults --------------------------------------------------------------

// A response head: the status line as given, the header lines, and the empty line.
std::string ResponseHead(std::string_view statusLine, const std::vector<std::string>& headerLines);

// Reads the request, sends `bytes` exactly and closes.
ConnectionScript AnswerRaw(std::string bytes);
// Accepts and never says a word.
ConnectionScript NeverAnswer();
// Reads the request, sends `bytes` (a head and perhaps part of a body) and then holds the
// connection open without another byte.
ConnectionScript AnswerThenStall(std::string bytes);
// A 200 with a body of `size` bytes of `fill` announced by Content-Length.
ConnectionScript AnswerHugeBody(std::size_t size, char fill);

}  // namespace ow::faults
