// The internet handles over libcurl. Each handle is a heap object that keeps what the later
// calls need: the root its agent and proxy list, the connection its host and port, the request
// its verb, path and flags and, once sent, the whole response. HttpSendRequestA performs the
// exchange; InternetReadFile and HttpQueryInfoA hand its results out.
//
// As on the platform: redirects are followed (at most 10) unless INTERNET_FLAG_NO_AUTO_REDIRECT
// is set; cookies set along a redirect chain go out on its later hops unless
// INTERNET_FLAG_NO_COOKIES is set, and none outlive the request; certificates are always
// verified; the User-Agent line comes from the root's agent unless the caller's header block
// has one; a connection may take 60 s and the response may fall silent for 30 s at most.
//
// Handles live in a table, so a handle that was closed or never existed is refused instead of
// touched. A child keeps what it needs of its parent, so closing the parent first is harmless.
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "http/curl_exchange.h"
#include "http/internet_api.h"
#include "http/wire_rules.h"

namespace ow {

namespace {

constexpr std::uint32_t kNulTerminated = 0xFFFFFFFFu;

struct HandleObject {
  virtual ~HandleObject() = default;
};

struct RootHandle final : HandleObject {
  std::string agent;
  std::string proxyList;  // empty: direct
};

struct ConnectionHandle final : HandleObject {
  std::shared_ptr<const RootHandle> root;
  std::string host;
  int port = 0;  // 0: the scheme's default
};

struct RequestHandle final : HandleObject {
  std::shared_ptr<const ConnectionHandle> connection;
  std::string verb;
  std::string path;
  std::uint32_t flags = 0;
  ExchangeResponse response;
  std::size_t readOffset = 0;
};

class HandleTable {
 public:
  InternetHandle Add(std::shared_ptr<HandleObject> object) {
    InternetHandle handle = object.get();
    std::lock_guard lock(mutex_);
    objects_.emplace(handle, std::move(object));
    return handle;
  }

  template <class T>
  std::shared_ptr<T> Find(InternetHandle handle) {
    std::lock_guard lock(mutex_);
    auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : std::dynamic_pointer_cast<T>(it->second);
  }

  bool Remove(InternetHandle handle) {
    std::shared_ptr<HandleObject> removed;  // freed outside the lock
    std::lock_guard lock(mutex_);
    auto it = objects_.find(handle);
    if (it == objects_.end()) return false;
    removed = std::move(it->second);
    objects_.erase(it);
    return true;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<InternetHandle, std::shared_ptr<HandleObject>> objects_;
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The caller's header block as name and value pairs. False when a line is not a proper header
// (no name, or a CR or LF that does not end a line): such a block is refused whole.
bool ParseHeaderBlock(std::string_view block,
                      std::vector<std::pair<std::string, std::string>>* headers) {
  while (!block.empty()) {
    std::size_t end = block.find("\r\n");
    std::string_view line = block.substr(0, end);
    block = end == std::string_view::npos ? std::string_view() : block.substr(end + 2);
    if (line.empty()) continue;
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    std::string_view name = Trim(line.substr(0, colon));
    std::string_view value = Trim(line.substr(colon + 1));
    if (!IsValidHeaderName(name) || !IsValidHeaderValue(value)) return false;
    headers->emplace_back(name, value);
  }
  return true;
}

// A host name or address literal, and nothing that would change the address's shape.
bool IsPlainHost(std::string_view host) {
  if (host.empty()) return false;
  for (char ch : host) {
    auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F || std::strchr("/?#@\\%\"<>^`{|}", c) != nullptr) return false;
  }
  return true;
}

std::string RequestUrl(const RequestHandle& request, bool secure) {
  const ConnectionHandle& connection = *request.connection;
  std::string url = secure ? "https://" : "http://";
  bool literalV6 = connection.host.find(':') != std::string::npos;
  url +=
      literalV6 && connection.host.front() != '[' ? "[" + connection.host + "]" : connection.host;
  if (connection.port != 0 && connection.port != (secure ? 443 : 80)) {
    url += ":" + std::to_string(connection.port);
  }
  if (request.path.empty() || request.path.front() != '/') url += '/';
  url += request.path;
  return url;
}

class CurlInternetApi final : public InternetApi {
 public:
  InternetHandle InternetOpenA(const char* agent, std::uint32_t accessType, const char* proxy,
                               const char* /*proxyBypass*/, std::uint32_t /*flags*/) override {
    auto root = std::make_shared<RootHandle>();
    root->agent = agent ? agent : "";
    if (accessType == kInternetOpenTypeProxy && proxy) root->proxyList = proxy;
    return handles_.Add(std::move(root));
  }

  InternetHandle InternetConnectA(InternetHandle rootHandle, const char* serverName, int port,
                                  const char* /*userName*/, const char* /*password*/,
                                  std::uint32_t service, std::uint32_t /*flags*/,
                                  std::uintptr_t /*context*/) override {
    auto root = handles_.Find<RootHandle>(rootHandle);
    if (!root || !serverName || !*serverName || service != kInternetServiceHttp || port < 0 ||
        port > 65535) {
      return nullptr;
    }
    auto connection = std::make_shared<ConnectionHandle>();
    connection->root = std::move(root);
    connection->host = serverName;
    connection->port = port;
    return handles_.Add(std::move(connection));
  }

  InternetHandle HttpOpenRequestA(InternetHandle connectionHandle, const char* verb,
                                  const char* objectName, const char* /*version*/,
                                  const char* /*referrer*/, const char** /*acceptTypes*/,
                                  std::uint32_t flags, std::uintptr_t /*context*/) override {
    auto connection = handles_.Find<ConnectionHandle>(connectionHandle);
    if (!connection) return nullptr;
    auto request = std::make_shared<RequestHandle>();
    request->verb = verb && *verb ? verb : "GET";
    if (!IsValidHeaderName(request->verb)) return nullptr;
    request->connection = std::move(connection);
    request->path = objectName ? objectName : "";
    request->flags = flags;
    return handles_.Add(std::move(request));
  }

  bool HttpSendRequestA(InternetHandle requestHandle, const char* headers,
                        std::uint32_t headersLength, const void* optional,
                        std::uint32_t optionalLength) override {
    auto request = handles_.Find<RequestHandle>(requestHandle);
    if (!request) return false;
    request->response = ExchangeResponse();
    request->readOffset = 0;

    ExchangeRequest exchange;
    if (headers) {
      std::size_t length = headersLength == kNulTerminated ? std::strlen(headers) : headersLength;
      if (!ParseHeaderBlock(std::string_view(headers, length), &exchange.headers)) return false;
    }
    if (!IsPlainHost(request->connection->host)) return false;

    bool secure = (request->flags & kInternetFlagSecure) != 0;
    exchange.method = request->verb;
    exchange.url = RequestUrl(*request, secure);
    if (optional && optionalLength > 0) {
      exchange.body = std::string_view(static_cast<const char*>(optional), optionalLength);
    }
    bool callerSetsAgent = false;
    for (const auto& header : exchange.headers) {
      callerSetsAgent = callerSetsAgent || EqualsIgnoringCase(header.first, "User-Agent");
    }
    if (!callerSetsAgent) exchange.userAgent = request->connection->root->agent;
    exchange.proxy = ProxyForScheme(request->connection->root->proxyList, secure ? "https" : "http")
                         .value_or(std::string());
    exchange.followRedirects = (request->flags & kInternetFlagNoAutoRedirect) == 0;
    exchange.cookiesAcrossRedirects = (request->flags & kInternetFlagNoCookies) == 0;
    exchange.connectTimeoutMs = 60000;
    exchange.awaitResponseTimeoutMs = 30000;
    exchange.idleTimeoutMs = 30000;

    CurlEasy easy = NewCurlEasy();
    if (!easy) return false;
    request->response = PerformExchange(easy.get(), exchange);
    return request->response.received;
  }

  bool InternetReadFile(InternetHandle requestHandle, void* buffer,
                        std::uint32_t numberOfBytesToRead,
                        std::uint32_t* numberOfBytesRead) override {
    if (!numberOfBytesRead) return false;
    *numberOfBytesRead = 0;
    auto request = handles_.Find<RequestHandle>(requestHandle);
    if (!request || !request->response.received || (!buffer && numberOfBytesToRead > 0)) {
      return false;
    }
    const std::string& body = request->response.body;
    std::size_t count =
        std::min<std::size_t>(numberOfBytesToRead, body.size() - request->readOffset);
    if (count > 0) std::memcpy(buffer, body.data() + request->readOffset, count);
    request->readOffset += count;
    *numberOfBytesRead = static_cast<std::uint32_t>(count);
    return true;
  }

  bool HttpQueryInfoA(InternetHandle requestHandle, std::uint32_t infoLevel, void* buffer,
                      std::uint32_t* bufferLength, std::uint32_t* /*index*/) override {
    auto request = handles_.Find<RequestHandle>(requestHandle);
    if (!request || !request->response.received || infoLevel != kHttpQueryRawHeadersCrlf ||
        !bufferLength) {
      return false;
    }
    const ExchangeResponse& response = request->response;
    std::string text = response.statusLine + "\r\n" + response.headerLines + "\r\n";
    std::size_t needed = text.size() + 1;  // with its NUL
    if (!buffer || *bufferLength < needed) {
      *bufferLength = static_cast<std::uint32_t>(needed);
      return false;
    }
    std::memcpy(buffer, text.c_str(), needed);
    *bufferLength = static_cast<std::uint32_t>(text.size());
    return true;
  }

  bool InternetCloseHandle(InternetHandle handle) override { return handles_.Remove(handle); }

 private:
  HandleTable handles_;
};

}  // namespace

InternetApi& SystemInternetApi() {
  static CurlInternetApi api;
  return api;
}

}  // namespace ow
