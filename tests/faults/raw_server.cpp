#include "faults/raw_server.h"

#include "fixtures/loopback_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <list>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

namespace ow::faults {

using fixtures::BindLoopback;
using fixtures::IgnoreBrokenPipes;

namespace {

struct SslContextDeleter {
  void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};

}  // namespace

struct RawServerState {
  ConnectionScript script;
  std::unique_ptr<SSL_CTX, SslContextDeleter> tls;
  int listenFd = -1;
  int port = 0;
  // Written once to wake every poll when the server stops.
  int wakeRead = -1;
  int wakeWrite = -1;
  std::atomic<bool> stopping = false;
  std::thread acceptor;

  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::set<int> openFds;  // shut down on stop, so blocked reads and writes return
  std::list<std::thread> connections;
  // Threads whose connection has ended, to be joined by the acceptor, so that a long-running
  // server does not keep every thread it ever started.
  std::vector<std::list<std::thread>::iterator> finished;
  std::vector<std::string> heads;
  int connectionCount = 0;

  // Waits until `fd` is ready for `events` or the server stops; false when stopping.
  bool WaitFor(int fd, short events) const {
    for (;;) {
      pollfd fds[2] = {{fd, events, 0}, {wakeRead, POLLIN, 0}};
      int n = ::poll(fds, 2, -1);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || stopping || (fds[1].revents & POLLIN)) return false;
      if (fds[0].revents != 0) return true;
    }
  }

  void AcceptLoop();
  void Serve(int fd);
  void JoinFinished();
};

namespace {

class Connection final : public RawConnection {
 public:
  Connection(RawServerState& state, int fd, SSL* ssl) : state_(state), fd_(fd), ssl_(ssl) {}

  std::string ReadRequestHead() override {
    for (;;) {
      std::size_t end = pending_.find("\r\n\r\n");
      if (end != std::string::npos) {
        std::string head = pending_.substr(0, end + 4);
        pending_.erase(0, end + 4);
        std::lock_guard lock(state_.mutex);
        state_.heads.push_back(head);
        return head;
      }
      char chunk[16384];
      std::size_t n = Read(chunk, sizeof chunk);
      if (n == 0) return {};
      pending_.append(chunk, n);
    }
  }

  bool Send(std::string_view bytes) override {
    while (!bytes.empty()) {
      std::size_t piece = std::min<std::size_t>(bytes.size(), 1 << 20);
      long n = 0;
      if (ssl_ != nullptr) {
        n = SSL_write(ssl_, bytes.data(), static_cast<int>(piece));
      } else {
        n = ::send(fd_, bytes.data(), piece, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
      }
      if (n <= 0 || state_.stopping) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  bool SendRepeated(char fill, std::size_t count) override {
    const std::string piece(std::min<std::size_t>(count, 1 << 20), fill);
    while (count > 0) {
      std::size_t now = std::min(count, piece.size());
      if (!Send(std::string_view(piece).substr(0, now))) return false;
      count -= now;
    }
    return true;
  }

  void HoldOpen() override {
    char chunk[4096];
    while (Read(chunk, sizeof chunk) > 0) {
    }
  }

 private:
  // Bytes read, 0 when the peer has gone or the server stops.
  std::size_t Read(char* buffer, std::size_t capacity) {
    for (;;) {
      if (ssl_ == nullptr || SSL_pending(ssl_) == 0) {
        if (!state_.WaitFor(fd_, POLLIN)) return 0;
      }
      long n = 0;
      if (ssl_ != nullptr) {
        n = SSL_read(ssl_, buffer, static_cast<int>(capacity));
        if (n <= 0 && SSL_get_error(ssl_, static_cast<int>(n)) == SSL_ERROR_WANT_READ) continue;
      } else {
        n = ::recv(fd_, buffer, capacity, 0);
        if (n < 0 && errno == EINTR) continue;
      }
      return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
  }

  RawServerState& state_;
  int fd_;
  SSL* ssl_;
  std::string pending_;
};

}  // namespace

void RawServerState::Serve(int fd) {
  SSL* ssl = nullptr;
  bool ready = true;
  if (tls) {
    ssl = SSL_new(tls.get());
    SSL_set_fd(ssl, fd);
    ready = SSL_accept(ssl) == 1;
  }
  if (ready && !stopping) {
    Connection connection(*this, fd, ssl);
    script(connection);
  }
  if (ssl != nullptr) {
    if (ready) SSL_shutdown(ssl);
    SSL_free(ssl);
  }
  std::lock_guard lock(mutex);
  openFds.erase(fd);
  ::close(fd);
}

void RawServerState::JoinFinished() {
  std::vector<std::thread> done;
  {
    std::lock_guard lock(mutex);
    for (auto it : finished) {
      done.push_back(std::move(*it));
      connections.erase(it);
    }
    finished.clear();
  }
  for (std::thread& thread : done) thread.join();
}

void RawServerState::AcceptLoop() {
  while (WaitFor(listenFd, POLLIN)) {
    int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    {
      std::lock_guard lock(mutex);
      openFds.insert(fd);
      ++connectionCount;
      // The thread cannot report itself finished before the lock is released, so its own
      // place in the list is known to it by then.
      auto place = connections.emplace(connections.end());
      *place = std::thread([this, fd, place] {
        Serve(fd);
        std::lock_guard lock(mutex);
        finished.push_back(place);
      });
      changed.notify_all();
    }
    JoinFinished();
  }
}

RawServer::RawServer(ConnectionScript script, std::optional<fixtures::TlsIdentity> tls, int port)
    : state_(std::make_shared<RawServerState>()) {
  IgnoreBrokenPipes();
  state_->script = std::move(script);
  if (tls) {
    state_->tls.reset(SSL_CTX_new(TLS_server_method()));
    if (!state_->tls ||
        SSL_CTX_use_certificate_chain_file(state_->tls.get(), tls->certificateFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(state_->tls.get(), tls->keyFile.c_str(), SSL_FILETYPE_PEM) !=
            1) {
      throw std::runtime_error("cannot load " + tls->certificateFile);
    }
  }
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  state_->wakeRead = wake[0];
  state_->wakeWrite = wake[1];
  state_->port = port;
  state_->listenFd = BindLoopback(&state_->port);
  ::listen(state_->listenFd, 128);
  state_->acceptor = std::thread([state = state_.get()] { state->AcceptLoop(); });
}

RawServer::~RawServer() {
  RawServerState& state = *state_;
  state.stopping = true;
  char byte = 1;
  (void)!::write(state.wakeWrite, &byte, 1);
  state.acceptor.join();
  {
    std::lock_guard lock(state.mutex);
    for (int fd : state.openFds) ::shutdown(fd, SHUT_RDWR);
  }
  // No new connection threads can appear once the acceptor has ended.
  for (std::thread& connection : state.connections) connection.join();
  ::close(state.listenFd);
  ::close(state.wakeRead);
  ::close(state.wakeWrite);
}

int RawServer::Port() const {
  return state_->port;
}

std::string RawServer::Authority() const {
  return "127.0.0.1:" + std::to_string(Port());
}

std::string RawServer::Url(std::string_view pathAndQuery) const {
  return (state_->tls ? "https://" : "http://") + Authority() + std::string(pathAndQuery);
}

std::vector<std::string> RawServer::RequestHeads() const {
  std::lock_guard lock(state_->mutex);
  return state_->heads;
}

int RawServer::ConnectionCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->connectionCount;
}

bool RawServer::WaitForConnections(int count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, timeout, [&] { return state_->connectionCount >= count; });
}

ClosedPort::ClosedPort() {
  fd_ = BindLoopback(&port_);
}

ClosedPort::~ClosedPort() {
  ::close(fd_);
}

// ---- Scripts
// -------------------------------------------------------------------------------------

std::string ResponseHead(std::string_view statusLine, const std::vector<std::string>& headerLines) {
  std::string head(statusLine);
  head += "\r\n";
  for (const std::string& line : headerLines) head += line + "\r\n";
  head += "\r\n";
  return head;
}

ConnectionScript AnswerRaw(std::string bytes) {
  return [bytes = std::move(bytes)](RawConnection& connection) {
    if (connection.ReadRequestHead().empty()) return;
    connection.Send(bytes);
  };
}

ConnectionScript NeverAnswer() {
  return [](RawConnection& connection) { connection.HoldOpen(); };
}

ConnectionScript AnswerThenStall(std::string bytes) {
  return [bytes = std::move(bytes)](RawConnection& connection) {
    if (connection.ReadRequestHead().empty()) return;
    if (connection.Send(bytes)) connection.HoldOpen();
  };
}

ConnectionScript AnswerHugeBody(std::size_t size, char fill) {
  return [size, fill](RawConnection& connection) {
    if (connection.ReadRequestHead().empty()) return;
    if (!connection.Send(
            ResponseHead("HTTP/1.1 200 OK", {"Content-Length: " + std::to_string(size)}))) {
      return;
    }
    connection.SendRepeated(fill, size);
  };
}

}  // namespace ow::faults
