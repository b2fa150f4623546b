#include "http/win_inet_fetch.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "http/cookie_text.h"
#include "http/request_defaults.h"
#include "http/url_parts.h"

namespace ow {

using namespace std::string_view_literals;

namespace {

constexpr std::uint32_t kReadChunkBytes = 1024;
constexpr std::uint32_t kResponseHeaderBufferBytes = 5000;

// The agent named in the caller's block. The name is looked for in any letter case but read in
// exact case; when that reading comes out empty, the value after the block's first colon stands
// in, which for a block of several lines runs on over the following lines.
Text UserAgentFrom(const Text& headers) {
  if (FindText(headers, "User-Agent:", 0, true) == -1) return Text(kDefaultUserAgent);
  const Text agent = TrimSpaces(TextBetween(ConcatText(headers, "\r\n"), "User-Agent:", "\r\n"));
  if (!agent.Empty()) return agent;
  return HeaderValue(headers);
}

std::uint32_t RequestFlags(bool cookieGiven, bool noRedirect, bool secure) {
  std::uint32_t flags = kInternetFlagReload | kInternetFlagNeedFile;
  // A caller that brings its own cookie text keeps the platform's cookie jar out of the way.
  if (cookieGiven) flags |= kInternetFlagNoCookies;
  if (noRedirect) flags |= kInternetFlagNoAutoRedirect;
  flags |= secure ? kInternetFlagSecure : kInternetFlagIgnoreRedirectToHttps;
  return flags;
}

Bytes ReadWholeBody(InternetApi& api, InternetHandle request) {
  Bytes body;
  std::array<unsigned char, kReadChunkBytes> buffer{};
  std::uint32_t count = 0;
  do {
    // The count is cleared before each read, so a read that fails without touching it ends the
    // loop instead of repeating the previous chunk for ever.
    count = 0;
    api.InternetReadFile(request, buffer.data(), kReadChunkBytes, &count);
    count = std::min(count, kReadChunkBytes);
    body.Append(buffer.data(), static_cast<int>(count));
  } while (count != 0);
  return body;
}

// The raw response headers, or the buffer's 5000 spaces when they do not fit into it.
Text ReadResponseHeaders(InternetApi& api, InternetHandle request) {
  // One byte more than the length the platform is told, so the text always ends in a NUL.
  std::vector<char> buffer(kResponseHeaderBufferBytes + 1, ' ');
  buffer.back() = '\0';
  std::uint32_t length = kResponseHeaderBufferBytes;
  api.HttpQueryInfoA(request, kHttpQueryRawHeadersCrlf, buffer.data(), &length, nullptr);
  return Text(buffer.data());
}

}  // namespace

Bytes WinInetFetch(InternetApi& api, const WinInetFetchArgs& args) {
  const bool autoMergeCookies = args.autoMergeCookies.value_or(true);
  const int method = ValidMethodCode(args.method);
  const Text verb = MethodName(method);
  const bool secure = CompareText(ToLower(LeftText(args.url, 8)), "https://") == 0;
  Text headers = args.headers != nullptr ? *args.headers : Text();
  const Text agent = UserAgentFrom(headers);

  InternetHandle root = nullptr;
  if (args.proxy.Empty()) {
    root = api.InternetOpenA(agent.Data(), kInternetOpenTypeDirect, nullptr, nullptr, 0);
  } else {
    // For plain HTTP the proxy is named for that scheme alone.
    const Text proxy = secure ? args.proxy : ConcatText("http=", args.proxy);
    root = api.InternetOpenA(agent.Data(), kInternetOpenTypeProxy, proxy.Data(), "", 0);
  }
  if (root == nullptr) return {};

  // The address's parts go into the request line and the Host line.
  const Text url = EscapeLineBreaks(args.url);
  const InternetHandle connection = api.InternetConnectA(
      root, UrlHost(url).Data(), UrlPort(url), nullptr, nullptr, kInternetServiceHttp, 0, 0);
  if (connection == nullptr) {
    api.InternetCloseHandle(root);
    return {};
  }

  const std::uint32_t flags = RequestFlags(args.cookie != nullptr, args.noRedirect, secure);
  const InternetHandle request = api.HttpOpenRequestA(connection, verb.Data(), UrlPath(url).Data(),
                                                      "HTTP/1.1", nullptr, nullptr, flags, 0);
  if (request == nullptr) {
    api.InternetCloseHandle(connection);
    api.InternetCloseHandle(root);
    return {};
  }

  AddCommonHeaderLines(headers, args.url);
  if (method == kPost) AddHeaderLineIfMissing(headers, "Content-Type", Text(kFormContentType));
  const Text cookie = args.cookie != nullptr ? *args.cookie : Text();
  if (!cookie.Empty()) {
    // A caller may pass a whole "Cookie: ..." line; the name must not stand twice.
    headers.Append(FindText(cookie, "Cookie:") == -1 ? "\r\nCookie: "sv : "\r\n"sv);
    headers.Append(cookie);
  }
  if (args.headers != nullptr) *args.headers = headers;

  const auto headersLength = static_cast<std::uint32_t>(TextLength(headers));
  if (method == kGet) {
    api.HttpSendRequestA(request, headers.Data(), headersLength, "", 0);
  } else {
    Bytes postBytes = args.postBytes != nullptr ? *args.postBytes : Bytes();
    if (postBytes.Empty()) {
      postBytes = ToBytes(args.postText);
      if (args.postBytes != nullptr) *args.postBytes = postBytes;
    }
    api.HttpSendRequestA(request, headers.Data(), headersLength, postBytes.Data(),
                         static_cast<std::uint32_t>(BytesLength(postBytes)));
  }

  Bytes body = ReadWholeBody(api, request);
  // Cookies are gathered by an exact search, so every spelling of the name is made one.
  const Text responseHeaders =
      ReplaceText(ReadResponseHeaders(api, request), "Set-Cookie", "Set-Cookie", false);
  if (args.returnedHeaders != nullptr) *args.returnedHeaders = responseHeaders;

  api.InternetCloseHandle(request);
  api.InternetCloseHandle(connection);
  api.InternetCloseHandle(root);

  Text cookies = CollectResponseCookies(responseHeaders);
  // A cookie that was given, even empty, asks for the merge; one left out does not.
  if (autoMergeCookies && args.cookie != nullptr) cookies = MergeCookies(*args.cookie, cookies);
  if (args.returnedCookies != nullptr) *args.returnedCookies = cookies;
  return body;
}

}  // namespace ow
