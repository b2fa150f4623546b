#include "http/curl_exchange.h"

#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>

#include "http/wire_rules.h"

namespace ow {

namespace {

using Clock = std::chrono::steady_clock;

bool IsProxyHeader(std::string_view name) {
  return name.size() > 6 && EqualsIgnoringCase(name.substr(0, 6), "Proxy-");
}

// ---- Header lists ----------------------------------------------------------------------------

struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

void AppendLine(Slist& list, const std::string& line) {
  if (curl_slist* grown = curl_slist_append(list.get(), line.c_str())) {
    (void)list.release();
    list.reset(grown);
  }
}

// One header as libcurl takes it. A line whose value is blank would tell libcurl to drop a header
// of its own instead; the "Name;" form sends the header with an empty value.
std::string CurlHeaderLine(const std::string& name, const std::string& value) {
  if (value.find_first_not_of(" \t") == std::string::npos) return name + ";";
  return name + ": " + value;
}

struct HeaderLists {
  Slist server;  // the request's own lines
  Slist proxy;   // lines for the proxy
};

// Everything the caller set, plus "Name:" entries that keep libcurl from adding lines of its own
// that the caller did not ask for. Only Host (and Content-Length for a body) is libcurl's to add.
HeaderLists BuildHeaderLists(const ExchangeRequest& request, bool dropHost) {
  HeaderLists lists;
  bool usesProxy = !request.proxy.empty();
  auto callerHas = [&](std::string_view name) {
    for (const auto& [headerName, value] : request.headers) {
      if (EqualsIgnoringCase(headerName, name)) return true;
    }
    return false;
  };
  for (const auto& [name, value] : request.headers) {
    if (dropHost && EqualsIgnoringCase(name, "Host")) continue;
    AppendLine(usesProxy && IsProxyHeader(name) ? lists.proxy : lists.server,
               CurlHeaderLine(name, value));
  }
  for (const char* own : {"Accept", "Expect", "Content-Type"}) {
    if (!callerHas(own)) AppendLine(lists.server, std::string(own) + ":");
  }
  if (!callerHas("Proxy-Connection")) AppendLine(lists.proxy, "Proxy-Connection:");
  return lists;
}

// ---- Certificates ----------------------------------------------------------------------------

bool IsIgnored(int error, unsigned ignored) {
  switch (error) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
      return (ignored & kIgnoreUnknownCa) != 0;
    case X509_V_ERR_INVALID_PURPOSE:
      return (ignored & kIgnoreWrongUsage) != 0;
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD:
    case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD:
      return (ignored & kIgnoreDateInvalid) != 0;
    default:
      return false;
  }
}

int IgnoredErrorsIndex() {
  static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

// Verification as usual, except that an error of an ignored class is cleared, so the handshake
// and libcurl's own check of the verification result both pass.
int VerifyIgnoringClasses(int preverified, X509_STORE_CTX* store) {
  if (preverified) return 1;
  auto* ssl =
      static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto ignored = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(
      SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), IgnoredErrorsIndex())));
  if (!IsIgnored(X509_STORE_CTX_get_error(store), ignored)) return 0;
  X509_STORE_CTX_set_error(store, X509_V_OK);
  return 1;
}

CURLcode OnSslContext(CURL*, void* sslContext, void* ignoredClasses) {
  auto* context = static_cast<SSL_CTX*>(sslContext);
  SSL_CTX_set_ex_data(context, IgnoredErrorsIndex(), ignoredClasses);
  SSL_CTX_set_verify(context, SSL_VERIFY_PEER, VerifyIgnoringClasses);
  return CURLE_OK;
}

void ConfigureCertificates(CURL* easy, unsigned ignored) {
  if (const char* caFile = std::getenv("ORDERWATCH_CA_FILE"); caFile && *caFile) {
    curl_easy_setopt(easy, CURLOPT_CAINFO, caFile);
    curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
  }
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, (ignored & kIgnoreNameMismatch) ? 0L : 2L);
  unsigned chainClasses = ignored & (kIgnoreUnknownCa | kIgnoreWrongUsage | kIgnoreDateInvalid);
  if (chainClasses != 0) {
    void* classes = reinterpret_cast<void*>(static_cast<std::uintptr_t>(chainClasses));
    if (curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, OnSslContext) != CURLE_OK ||
        curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, classes) != CURLE_OK) {
      // A TLS library without that hook: ignoring any class ignores them all.
      curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
    }
  }
  if (ignored != 0) {
    // A connection or session that was let through leniently must not serve a later request
    // that asks for full checks, and libcurl's reuse does not know about the hook above.
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_SESSIONID_CACHE, 0L);
  }
}

// ---- One hop ---------------------------------------------------------------------------------

// What the callbacks of one hop collect, and the watchdog that bounds its silences.
struct Hop {
  CURL* easy = nullptr;
  ExchangeResponse response;
  bool inHead = false;

  long awaitResponseMs = 0;
  long idleMs = 0;
  bool requestSent = false;
  bool responseBegun = false;
  curl_off_t uploaded = 0;
  Clock::time_point lastActivity = Clock::now();

  void Active() { lastActivity = Clock::now(); }
};

std::size_t OnHeaderLine(char* data, std::size_t size, std::size_t count, void* hopPointer) {
  auto* hop = static_cast<Hop*>(hopPointer);
  std::size_t length = size * count;
  hop->Active();
  hop->responseBegun = true;
  std::string_view line(data, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  ExchangeResponse& response = hop->response;
  if (!hop->inHead) {
    // A status line begins a head (an interim 1xx answer's, then the final one's); anything
    // else outside a head is a trailer of a chunked body, which is not part of the headers.
    if (line.substr(0, 5) == "HTTP/") {
      hop->inHead = true;
      response.statusLine = std::string(line);
      response.headerLines.clear();
      response.body.clear();
    }
  } else if (!line.empty()) {
    response.headerLines.append(line);
    response.headerLines += "\r\n";
  } else {
    hop->inHead = false;
    curl_off_t expected = -1;
    curl_easy_getinfo(hop->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
    if (expected > 0 && expected < (curl_off_t{1} << 31)) {
      response.body.reserve(static_cast<std::size_t>(expected));
    }
  }
  return length;
}

std::size_t OnBodyBytes(char* data, std::size_t size, std::size_t count, void* hopPointer) {
  auto* hop = static_cast<Hop*>(hopPointer);
  hop->Active();
  hop->response.body.append(data, size * count);
  return size * count;
}

int OnRequestReady(void* hopPointer, char*, char*, int, int) {
  auto* hop = static_cast<Hop*>(hopPointer);
  hop->requestSent = true;
  hop->responseBegun = false;
  hop->Active();
  return CURL_PREREQFUNC_OK;
}

// libcurl calls this at least about once a second, also while nothing arrives; a non-zero
// answer ends the transfer.
int OnProgress(void* hopPointer, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
  auto* hop = static_cast<Hop*>(hopPointer);
  if (uploaded != hop->uploaded) {
    hop->uploaded = uploaded;
    hop->Active();
  }
  if (!hop->requestSent) return 0;
  long limit = hop->responseBegun ? hop->idleMs : hop->awaitResponseMs;
  return limit > 0 && Clock::now() - hop->lastActivity > std::chrono::milliseconds(limit);
}

// Scheme, host and port of an escaped address, for telling whether a redirect leaves the origin.
std::string OriginOf(const std::string& url) {
  std::string origin;
  CURLU* parts = curl_url();
  if (parts && curl_url_set(parts, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    for (CURLUPart part : {CURLUPART_SCHEME, CURLUPART_HOST, CURLUPART_PORT}) {
      char* text = nullptr;
      if (curl_url_get(parts, part, &text, CURLU_DEFAULT_PORT) == CURLUE_OK) {
        origin += text;
        origin += ' ';
        curl_free(text);
      }
    }
  }
  curl_url_cleanup(parts);
  return origin;
}

void Configure(CURL* easy, const ExchangeRequest& request, const std::string& url,
               const std::string& method, std::string_view body, const HeaderLists& lists,
               Hop& hop) {
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 102400L);
  // Credentials in an address are offered only when the server asks, never unasked.
  curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_ANY);

  std::string proxy = request.proxy.empty() ? std::string() : "http://" + request.proxy;
  curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());  // "" also shuts out *_proxy variables
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

  curl_easy_setopt(easy, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, lists.server.get());
  curl_easy_setopt(easy, CURLOPT_PROXYHEADER, lists.proxy.get());
  if (!request.userAgent.empty()) {
    curl_easy_setopt(easy, CURLOPT_USERAGENT, request.userAgent.c_str());
  }

  // POST keeps libcurl's own POST mode so that a redirect may turn it into GET. A body of any
  // other method goes out with that method; POST and PUT always carry a Content-Length. Every
  // hop sets all of these, as the hop before may have set others.
  const char* bodyBytes = body.empty() ? "" : body.data();
  curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
  if (method == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else if (method == "POST" || method == "PUT" || !body.empty()) {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, bodyBytes);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    if (method != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
  } else {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    if (method != "GET") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
  }

  ConfigureCertificates(easy, request.ignoredCertificateErrors);

  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, request.connectTimeoutMs);
  hop.easy = easy;
  hop.awaitResponseMs = request.awaitResponseTimeoutMs;
  hop.idleMs = request.idleTimeoutMs;
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeaderLine);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &hop);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBodyBytes);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &hop);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, OnRequestReady);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, &hop);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &hop);
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

CurlEasy NewCurlEasy() {
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised != CURLE_OK) return nullptr;
  return CurlEasy(curl_easy_init());
}

ExchangeResponse PerformExchange(CURL* easy, const ExchangeRequest& request) {
  std::string url = EscapeUrl(request.url);
  if (url.empty()) return {};
  const std::string firstOrigin = OriginOf(url);
  std::string method = request.method;
  std::string_view body = request.body;

  // Options are cleared once per exchange, not per hop: the cookie engine is switched on once
  // and serves every hop, and a reset between hops would drop (and leak) that setting.
  curl_easy_reset(easy);
  if (request.cookiesAcrossRedirects) curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
  for (int redirects = 0;; ++redirects) {
    // A Host line of the caller names the first origin; it must not follow a redirect away.
    HeaderLists lists = BuildHeaderLists(request, OriginOf(url) != firstOrigin);
    Hop hop;
    Configure(easy, request, url, method, body, lists, hop);
    if (curl_easy_perform(easy) != CURLE_OK) return {};
    // libcurl takes a connection that closes inside the head for the end of a response; a head
    // that never reached its empty line is no complete response.
    if (hop.inHead) return {};
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    hop.response.status = static_cast<int>(status);
    hop.response.received = true;

    if (!request.followRedirects || !IsRedirect(hop.response.status)) return hop.response;
    char* location = nullptr;
    curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location);
    std::string next = location ? EscapeUrl(location) : std::string();
    if (next.empty()) return hop.response;  // nowhere to go that we can reach: this is the answer
    if (!request.followHttpsToHttp && UrlScheme(url) == "https" && UrlScheme(next) == "http") {
      return hop.response;
    }
    if (redirects == request.maxRedirects) return {};
    bool becomesGet =
        (hop.response.status == 303 && method != "HEAD") ||
        ((hop.response.status == 301 || hop.response.status == 302) && method == "POST");
    if (becomesGet) {
      method = "GET";
      body = {};
    }
    url = std::move(next);
  }
}

}  // namespace ow
