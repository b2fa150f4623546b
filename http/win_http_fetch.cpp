#include "http/win_http_fetch.h"

#include <climits>
#include <cstdint>

#include "http/cookie_text.h"
#include "http/request_defaults.h"
#include "text/convert.h"

namespace ow {

namespace {

constexpr int kDefaultTimeoutMs = 15000;
constexpr int kKeepObjectTimeouts = -1;

// Stands in for a request object the caller meant to pass but whose variable holds none: every
// call fails, which by the object's own rules means it has no effect and reads give empty values.
class AbsentRequestObject final : public RequestObject {
 public:
  void SetTimeouts(int, int, int, int) override {}
  void SetProxy(int, const Text&) override {}
  void SetRequestHeader(const Text&, const Text&) override {}
  void Open(const Text&, const Text&, bool) override {}
  void PutOption(int, int) override {}
  void Send(const Text&) override {}
  void Send(const Bytes&) override {}
  Bytes ResponseBody() override { return {}; }
  Text GetAllResponseHeaders() override { return {}; }
  int Status() override { return 0; }
};

// Milliseconds for SetTimeouts. Large second counts are held at the largest millisecond count
// the object takes instead of wrapping round to a negative one.
int TimeoutMilliseconds(int timeoutSeconds) {
  if (timeoutSeconds < 1) return kDefaultTimeoutMs;
  const std::int64_t ms = std::int64_t{timeoutSeconds} * 1000;
  return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

// One SetRequestHeader call per line of the block; the pieces a leading, doubled or trailing
// CR LF leaves empty are skipped. A line without a colon still gives a call, with an empty name
// and value, which the object may refuse.
void SetHeaderLines(RequestObject& object, const Text& block) {
  if (FindText(block, "\r\n") == -1) {
    object.SetRequestHeader(HeaderName(block), HeaderValue(block));
    return;
  }
  for (const Text& line : SplitText(block, "\r\n")) {
    if (line.Empty()) continue;
    object.SetRequestHeader(HeaderName(line), HeaderValue(line));
  }
}

}  // namespace

Bytes WinHttpFetch(RequestPlatform& platform, const WinHttpFetchArgs& args) {
  const bool autoMergeCookies = args.autoMergeCookies.value_or(true);
  platform.CoInitialize();
  const int method = ValidMethodCode(args.method);

  std::shared_ptr<RequestObject> object;
  if (args.requestObject.has_value()) {
    object = *args.requestObject;
    if (!object) object = std::make_shared<AbsentRequestObject>();
  } else {
    object = platform.CreateRequestObject();
    if (!object) {
      platform.CoUninitialize();
      return {};
    }
  }

  if (args.timeoutSeconds != kKeepObjectTimeouts) {
    const int ms = TimeoutMilliseconds(args.timeoutSeconds);
    object->SetTimeouts(ms, ms, ms, ms);
  }

  if (!args.proxy.Empty()) {
    object->SetProxy(kProxySettingProxy, args.proxy);
    // Only Basic credentials are known; any other mode sends none.
    if (!args.proxyUser.Empty() && args.proxyMode.value_or(1) == 1) {
      const Text credentials = ConcatText(args.proxyUser, ":", args.proxyPassword);
      object->SetRequestHeader("Proxy-Authorization",
                               ConcatText("Basic ", Base64Encode(ToBytes(credentials))));
    }
  }

  object->Open(MethodName(method), EscapeLineBreaks(args.url), false);
  if (args.noRedirect) object->PutOption(kOptionEnableRedirects, 0);
  // Certificate errors never stop a request.
  object->PutOption(kOptionSslErrorIgnoreFlags, kSslErrorIgnoreAll);

  Text headers = args.headers != nullptr ? *args.headers : Text();
  AddCommonHeaderLines(headers, args.url);
  AddHeaderLineIfMissing(headers, "User-Agent", Text(kDefaultUserAgent));
  if (method == kPost) AddHeaderLineIfMissing(headers, "Content-Type", Text(kFormContentType));
  if (args.headers != nullptr) *args.headers = headers;

  if (args.cookie != nullptr && !args.cookie->Empty()) {
    object->SetRequestHeader("Cookie", *args.cookie);
  }
  SetHeaderLines(*object, headers);

  if (!args.postBytes.Empty()) {
    object->Send(args.postBytes);
  } else {
    object->Send(args.postText);
  }

  Bytes body = object->ResponseBody();
  // Cookies are gathered by an exact search, so every spelling of the name is made one.
  const Text responseHeaders =
      ReplaceText(object->GetAllResponseHeaders(), "Set-Cookie", "Set-Cookie", false);
  const int status = object->Status();
  if (args.returnedHeaders != nullptr) *args.returnedHeaders = responseHeaders;
  if (args.returnedStatus != nullptr) *args.returnedStatus = status;

  Text cookies = CollectResponseCookies(responseHeaders);
  // A cookie that was given, even empty, asks for the merge; one left out does not.
  if (autoMergeCookies && args.cookie != nullptr) cookies = MergeCookies(*args.cookie, cookies);
  if (args.returnedCookies != nullptr) *args.returnedCookies = cookies;

  object.reset();
  platform.CoUninitialize();
  return body;
}

}  // namespace ow
