// The request object over libcurl: one easy handle per object, so connections are reused
// between the object's own requests. It behaves as the platform's object does where the
// routines can see it: headers may be set only after Open, and Open starts a fresh request;
// setting a header again replaces it and an empty value removes it; redirects are followed
// unless switched off, but never from https to http; certificate errors are ignored only by the
// classes Option(4) names; the response header text is the final response's header lines, each
// ended by CR LF, with one more CR LF after the last.
//
// Headers that could break their line (CR, LF) or lack a proper name are refused: the call has
// no effect.
#include <string>
#include <utility>
#include <vector>

#include "http/curl_exchange.h"
#include "http/request_object.h"
#include "http/wire_rules.h"

namespace ow {

namespace {

class CurlRequestObject final : public RequestObject {
 public:
  explicit CurlRequestObject(CurlEasy easy) : easy_(std::move(easy)) {}

  void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override {
    // Zero or below waits without limit, as on the platform.
    auto limit = [](int ms) { return ms > 0 ? static_cast<long>(ms) : 0L; };
    long connect = limit(connectMs);
    connectTimeoutMs_ = connect > 0 ? connect + limit(resolveMs) : 0;
    long send = limit(sendMs);
    receiveTimeoutMs_ = limit(receiveMs);
    awaitResponseTimeoutMs_ = send > 0 && receiveTimeoutMs_ > 0 ? send + receiveTimeoutMs_ : 0;
  }

  void SetProxy(int setting, const Text& server) override {
    proxyList_ = setting == kProxySettingProxy ? std::string(server.View()) : std::string();
  }

  void SetRequestHeader(const Text& name, const Text& value) override {
    if (!opened_) return;
    std::string headerName(name.View());
    std::string headerValue(value.View());
    if (!IsValidHeaderName(headerName) || !IsValidHeaderValue(headerValue)) return;
    for (auto it = headers_.begin(); it != headers_.end(); ++it) {
      if (EqualsIgnoringCase(it->first, headerName)) {
        if (headerValue.empty()) {
          headers_.erase(it);
        } else {
          *it = {std::move(headerName), std::move(headerValue)};
        }
        return;
      }
    }
    if (!headerValue.empty()) headers_.emplace_back(std::move(headerName), std::move(headerValue));
  }

  void Open(const Text& method, const Text& url, bool /*async: every request waits*/) override {
    opened_ = false;
    headers_.clear();
    ClearResponse();
    method_ = std::string(method.View());
    url_ = EscapeUrl(url.View());
    opened_ = IsValidHeaderName(method_) && !url_.empty();
  }

  void PutOption(int index, int value) override {
    if (index == kOptionEnableRedirects) followRedirects_ = value != 0;
    if (index == kOptionSslErrorIgnoreFlags)
      ignoredCertificateErrors_ = static_cast<unsigned>(value);
  }

  void Send(const Text& body) override { Perform(body.View()); }
  void Send(const Bytes& body) override { Perform(body.View()); }

  Bytes ResponseBody() override { return Bytes(response_.body); }

  Text GetAllResponseHeaders() override {
    if (!response_.received) return Text();
    return Text(response_.headerLines + "\r\n");
  }

  int Status() override { return response_.status; }

 private:
  void ClearResponse() { response_ = ExchangeResponse(); }

  void Perform(std::string_view body) {
    ClearResponse();
    if (!opened_) return;
    ExchangeRequest request;
    request.method = method_;
    request.url = url_;
    request.headers = headers_;
    request.body = body;
    request.proxy = ProxyForScheme(proxyList_, UrlScheme(url_)).value_or(std::string());
    request.followRedirects = followRedirects_;
    request.followHttpsToHttp = false;
    request.ignoredCertificateErrors = ignoredCertificateErrors_;
    request.connectTimeoutMs = connectTimeoutMs_;
    request.awaitResponseTimeoutMs = awaitResponseTimeoutMs_;
    request.idleTimeoutMs = receiveTimeoutMs_;
    response_ = PerformExchange(easy_.get(), request);
  }

  CurlEasy easy_;
  // The platform's defaults: no limit on resolving, 60 s to connect, 30 s to send and receive.
  long connectTimeoutMs_ = 60000;
  long awaitResponseTimeoutMs_ = 60000;
  long receiveTimeoutMs_ = 30000;
  std::string proxyList_;
  bool followRedirects_ = true;
  unsigned ignoredCertificateErrors_ = 0;

  bool opened_ = false;
  std::string method_;
  std::string url_;
  std::vector<std::pair<std::string, std::string>> headers_;
  ExchangeResponse response_;
};

class CurlRequestPlatform final : public RequestPlatform {
 public:
  // There is no component runtime to start on this platform.
  void CoInitialize() override {}
  void CoUninitialize() override {}

  std::shared_ptr<RequestObject> CreateRequestObject() override {
    CurlEasy easy = NewCurlEasy();
    if (!easy) return nullptr;
    return std::make_shared<CurlRequestObject>(std::move(easy));
  }
};

}  // namespace

RequestPlatform& SystemRequestPlatform() {
  static CurlRequestPlatform platform;
  return platform;
}

}  // namespace ow
