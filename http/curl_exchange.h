// One HTTP/1.1 exchange over a libcurl easy handle, as both libcurl backends need it: exactly
// the caller's header lines plus Host go out (libcurl's own extra lines are suppressed), bodies
// pass through undecoded, redirects are followed by this code hop by hop so that each hop obeys
// the same rules, certificate errors are ignored only by the classes asked for, and no wait is
// unbounded.
//
// Trusted certificates: the system's store, unless the environment variable ORDERWATCH_CA_FILE
// names a PEM file; then exactly the certificates in that file are trusted. Tests and the demo
// use it to trust their own test CA.
#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ow {

struct CurlEasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

// A new easy handle, null when none can be made. libcurl's global state is set up on the first
// call, from whichever thread makes it.
CurlEasy NewCurlEasy();

// Classes of certificate errors that may be ignored; the request object's own bit values.
inline constexpr unsigned kIgnoreUnknownCa = 0x0100;
inline constexpr unsigned kIgnoreWrongUsage = 0x0200;
inline constexpr unsigned kIgnoreNameMismatch = 0x1000;
inline constexpr unsigned kIgnoreDateInvalid = 0x2000;

struct ExchangeRequest {
  std::string method = "GET";
  // An absolute http or https address; unsafe bytes are escaped before it is used.
  std::string url;
  // Name and value pairs, already checked with IsValidHeaderName and IsValidHeaderValue.
  // Lines named Proxy-* go to the proxy when there is one: on the CONNECT request of a tunnel,
  // on the request itself otherwise.
  std::vector<std::pair<std::string, std::string>> headers;
  std::string_view body;  // must outlive the call
  // "host:port" of an HTTP proxy; empty: none, whatever the environment says.
  std::string proxy;
  std::string userAgent;  // empty: no User-Agent line unless the caller's headers hold one
  bool followRedirects = true;
  int maxRedirects = 10;
  // When false, a redirect from https to http is not followed; its answer is the response.
  bool followHttpsToHttp = true;
  // Keeps the cookies that the hops set and sends them on later hops; nothing outlives the
  // call.
  bool cookiesAcrossRedirects = false;
  unsigned ignoredCertificateErrors = 0;
  // Milliseconds; 0 waits without limit. `connect` covers resolving, connecting and the TLS
  // handshake; `awaitResponse` runs from the moment the request is sent until the response's
  // first byte; `idle` is the longest silence allowed once the response has begun.
  long connectTimeoutMs = 60000;
  long awaitResponseTimeoutMs = 30000;
  long idleTimeoutMs = 30000;
};

struct ExchangeResponse {
  // False when no complete response arrived (no connection, a timeout, a refused certificate,
  // too many redirects, an invalid address); everything else is then empty.
  bool received = false;
  int status = 0;
  std::string statusLine;   // the final response's, without its CR LF
  std::string headerLines;  // the final response's header lines, each followed by CR LF
  std::string body;
};

ExchangeResponse PerformExchange(CURL* easy, const ExchangeRequest& request);

}  // namespace ow
