#include "http/win_inet_fetch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fakes/recording_internet_api.h"

namespace ow {
namespace {

using fakes::RecordingInternetApi;
using testing::ElementsAre;
using testing::SizeIs;

constexpr const char* kUrl = "http://127.0.0.1:18080/status?id=7";
constexpr const char* kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const std::string kDefaultBlock =
    std::string("Accept: */*\r\nReferer: ") + kUrl + "\r\nAccept-Language: zh-cn";

std::string S(const Text& t) {
  return std::string(t.View());
}

class WinInetFetchTest : public testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(api.OpenHandles(), 0) << "a handle was left open"; }

  // The one request the fake saw.
  fakes::InternetRequest Sent() const {
    const std::vector<fakes::InternetRequest> requests = api.Requests();
    EXPECT_THAT(requests, SizeIs(1));
    return requests.empty() ? fakes::InternetRequest{} : requests.front();
  }

  RecordingInternetApi api;
};

TEST_F(WinInetFetchTest, WorkedExampleMakesTheCallsInOrder) {
  api.page = {.rawHeaders =
                  "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                  "set-cookie: sid=9; Path=/\r\n\r\n",
              .body = Bytes("hello")};
  Text headers;
  Text returnedHeaders;
  Text returnedCookies;
  const Bytes body = WinInetFetch(api, {.url = kUrl,
                                        .returnedCookies = &returnedCookies,
                                        .headers = &headers,
                                        .returnedHeaders = &returnedHeaders});

  EXPECT_THAT(
      api.Calls(),
      ElementsAre(
          std::string("InternetOpenA(\"") + kDefaultAgent + "\", 1, null, null, 0)",
          R"(InternetConnectA(root, "127.0.0.1", 18080, null, null, 3, 0, 0))",
          R"(HttpOpenRequestA(connection, "GET", "/status?id=7", "HTTP/1.1", null, null, 0x80004010, 0))",
          "HttpSendRequestA(request, \"" + kDefaultBlock + "\", " +
              std::to_string(kDefaultBlock.size()) + ", \"\", 0)",
          "InternetReadFile(request, 1024) -> 5", "InternetReadFile(request, 1024) -> 0",
          "HttpQueryInfoA(request, 22, 5000, null)", "InternetCloseHandle(request)",
          "InternetCloseHandle(connection)", "InternetCloseHandle(root)"));
  EXPECT_EQ(body, Bytes("hello"));
  EXPECT_EQ(S(headers), kDefaultBlock);
  EXPECT_EQ(S(returnedHeaders),
            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nSet-Cookie: sid=9; Path=/\r\n\r\n");
  EXPECT_EQ(S(returnedCookies), "sid=9");
}

struct FlagCase {
  const char* name;
  const char* url;
  bool cookieGiven;
  bool noRedirect;
  std::uint32_t flags;
  int port;
};

class WinInetFlagTest : public WinInetFetchTest, public testing::WithParamInterface<FlagCase> {};

TEST_P(WinInetFlagTest, OpensTheRequestWithTheFlags) {
  const FlagCase& c = GetParam();
  Text cookie;
  WinInetFetch(
      api, {.url = c.url, .cookie = c.cookieGiven ? &cookie : nullptr, .noRedirect = c.noRedirect});
  EXPECT_EQ(Sent().flags, c.flags);
  EXPECT_EQ(Sent().port, c.port);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, WinInetFlagTest,
    testing::Values(
        FlagCase{"Plain", "http://shop.example.com/", false, false, 0x80004010, 80},
        FlagCase{"Secure", "https://shop.example.com/", false, false, 0x80800010, 443},
        FlagCase{"SecureInCapitals", "HTTPS://shop.example.com/", false, false, 0x80800010, 443},
        FlagCase{"CookieGiven", "http://shop.example.com/", true, false, 0x80084010, 80},
        FlagCase{"NoRedirect", "https://shop.example.com/", false, true, 0x80A00010, 443},
        FlagCase{"All", "https://shop.example.com/", true, true, 0x80A80010, 443}),
    [](const auto& info) { return std::string(info.param.name); });

struct AgentCase {
  const char* name;
  const char* headers;
  const char* agent;
};

class WinInetAgentTest : public WinInetFetchTest, public testing::WithParamInterface<AgentCase> {};

TEST_P(WinInetAgentTest, TakesTheAgentFromTheCallersBlock) {
  Text headers = GetParam().headers;
  WinInetFetch(api, {.url = kUrl, .headers = &headers});
  EXPECT_EQ(Sent().agent, GetParam().agent);
  // The line stays in the block as well.
  EXPECT_EQ(Sent().headers.rfind(GetParam().headers, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, WinInetAgentTest,
    testing::Values(AgentCase{"None", "", kDefaultAgent},
                    AgentCase{"Exact", "X-A: 1\r\nUser-Agent:  Exact/1.0 \r\nX-B: 2", "Exact/1.0"},
                    // Found in any case, read in exact case: the block's first value stands in.
                    AgentCase{"OtherCaseSingleLine", "user-agent: Lower/2.0", "Lower/2.0"},
                    AgentCase{"OtherCaseSeveralLines", "X-First: one\r\nuser-agent: Lower/2.0",
                              "one\r\nuser-agent: Lower/2.0"},
                    AgentCase{"BlankValue", "User-Agent:   \r\nX: y", "\r\nX: y"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WinInetFetchTest, OtherCaseAgentLineIsSentFollowedByTheDefaults) {
  Text headers = "user-agent: X";
  WinInetFetch(api, {.url = kUrl, .headers = &headers});
  EXPECT_EQ(S(headers), "user-agent: X\r\n" + kDefaultBlock);
  EXPECT_EQ(Sent().headers, "user-agent: X\r\n" + kDefaultBlock);
}

struct ProxyCase {
  const char* url;
  const char* proxyArgument;
};

class WinInetProxyTest : public WinInetFetchTest, public testing::WithParamInterface<ProxyCase> {};

TEST_P(WinInetProxyTest, NamesTheProxyForPlainHttpOnly) {
  WinInetFetch(api, {.url = GetParam().url, .proxy = "proxy.local:3128"});
  EXPECT_EQ(api.Calls().front(), std::string("InternetOpenA(\"") + kDefaultAgent + "\", 3, \"" +
                                     GetParam().proxyArgument + "\", \"\", 0)");
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, WinInetProxyTest,
    testing::Values(ProxyCase{"http://shop.example.com/", "http=proxy.local:3128"},
                    ProxyCase{"https://shop.example.com/", "proxy.local:3128"},
                    ProxyCase{"HtTpS://shop.example.com/", "proxy.local:3128"}));

struct SendCase {
  const char* name;
  int method;
  const char* postText;
  std::optional<std::string> postBytes;  // the caller's variable before the call
  const char* verb;
  std::optional<std::string> data;  // what the send carries; nullopt: a null pointer
  std::string postBytesAfter;
  bool contentType;
};

class WinInetSendTest : public WinInetFetchTest, public testing::WithParamInterface<SendCase> {};

TEST_P(WinInetSendTest, SendsTheRightData) {
  const SendCase& c = GetParam();
  Bytes postBytes(c.postBytes.value_or(""));
  Text headers;
  WinInetFetch(api, {.url = kUrl,
                     .method = c.method,
                     .postText = c.postText,
                     .headers = &headers,
                     .postBytes = &postBytes});
  const fakes::InternetRequest sent = Sent();
  EXPECT_EQ(sent.verb, c.verb);
  EXPECT_EQ(sent.data, c.data);
  EXPECT_EQ(std::string(postBytes.View()), c.postBytesAfter);
  EXPECT_EQ(
      S(headers).find("\r\nContent-Type: application/x-www-form-urlencoded") != std::string::npos,
      c.contentType);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, WinInetSendTest,
    testing::Values(
        // A GET sends an empty text, never the post data.
        SendCase{"Get", 0, "x=1", std::nullopt, "GET", "", "", false},
        SendCase{"CodeAboveRangeIsGet", 8, "x=1", std::nullopt, "GET", "", "", false},
        SendCase{"CodeBelowRangeIsGet", -1, "x=1", std::nullopt, "GET", "", "", false},
        SendCase{"GetLeavesBytesAlone", 0, "x=1", "keep", "GET", "", "keep", false},
        SendCase{"EmptyPost", 1, "", std::nullopt, "POST", std::nullopt, "", true},
        SendCase{"DeleteSendsText", 5, "a", std::nullopt, "DELETE", "a", "a", false},
        SendCase{"BytesOverText", 1, "text", "bytes", "POST", "bytes", "bytes", true},
        SendCase{"BytesWithZeroByte", 3, "", std::string("a\0b", 3), "PUT", std::string("a\0b", 3),
                 std::string("a\0b", 3), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WinInetFetchTest, AcceptMarkerIsMatchedInExactCase) {
  Text headers = "Accept: text/html";
  WinInetFetch(api, {.url = kUrl, .headers = &headers});
  EXPECT_EQ(S(headers),
            std::string("Accept: text/html\r\nReferer: ") + kUrl + "\r\nAccept-Language: zh-cn");

  headers = "accept: text/html";
  WinInetFetch(api, {.url = kUrl, .headers = &headers});
  EXPECT_EQ(S(headers), "accept: text/html\r\n" + kDefaultBlock);
}

struct CookieCase {
  const char* name;
  std::optional<const char*> cookie;  // nullopt: not given
  std::optional<bool> autoMerge;
  std::string blockTail;  // what follows the default block
  const char* returnedCookies;
  const char* cookieAfter;
};

class WinInetCookieTest : public WinInetFetchTest,
                          public testing::WithParamInterface<CookieCase> {};

TEST_P(WinInetCookieTest, SendsGathersAndMerges) {
  const CookieCase& c = GetParam();
  api.page.rawHeaders =
      "HTTP/1.1 200 OK\r\nSET-COOKIE: b=3; Path=/\r\nset-cookie: x = 1\r\nSet-Cookie: x = 1";
  Text cookie = c.cookie.value_or("unused");
  Text returnedCookies = "stale";
  WinInetFetch(api, {.url = kUrl,
                     .cookie = c.cookie ? &cookie : nullptr,
                     .returnedCookies = &returnedCookies,
                     .autoMergeCookies = c.autoMerge});
  EXPECT_EQ(Sent().headers, kDefaultBlock + c.blockTail);
  EXPECT_EQ(S(returnedCookies), c.returnedCookies);
  EXPECT_EQ(S(cookie), c.cookieAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cookies, WinInetCookieTest,
    testing::Values(CookieCase{"NotGiven", std::nullopt, true, "", "b=3; x = 1; x = 1", "unused"},
                    CookieCase{"GivenEmpty", "", std::nullopt, "", "b=3; x=1", "b=3; x=1"},
                    CookieCase{"GivenText", "a=1; b=2", std::nullopt, "\r\nCookie: a=1; b=2",
                               "b=3; x=1; a=1", "b=3; x=1; a=1"},
                    // A whole header line from the caller does not get the name twice.
                    CookieCase{"GivenWholeLine", "Cookie: a=1", std::nullopt, "\r\nCookie: a=1",
                               "b=3; x=1; Cookie:a=1", "b=3; x=1; Cookie:a=1"},
                    CookieCase{"MergeSwitchedOff", "a=1", false, "\r\nCookie: a=1",
                               "b=3; x = 1; x = 1", "a=1"}),
    [](const auto& info) { return std::string(info.param.name); });

struct HeaderBufferCase {
  const char* name;
  int headerBytes;  // without the NUL
  bool fits;
};

class WinInetHeaderBufferTest : public WinInetFetchTest,
                                public testing::WithParamInterface<HeaderBufferCase> {};

TEST_P(WinInetHeaderBufferTest, HeadersThatDoNotFitLeaveTheBlankBuffer) {
  std::string raw = "HTTP/1.1 200 OK\r\nSet-Cookie: big=1\r\nX-Pad: ";
  raw.append(static_cast<std::size_t>(GetParam().headerBytes) - raw.size(), 'p');
  api.page = {.rawHeaders = Text(raw), .body = Bytes(std::string(3000, 'b'))};
  Text cookie = "a=1";
  Text returnedCookies;
  Text returnedHeaders;
  const Bytes body = WinInetFetch(api, {.url = kUrl,
                                        .cookie = &cookie,
                                        .returnedCookies = &returnedCookies,
                                        .returnedHeaders = &returnedHeaders});
  EXPECT_EQ(body.Length(), 3000);
  if (GetParam().fits) {
    EXPECT_EQ(S(returnedHeaders), raw);
    EXPECT_EQ(S(returnedCookies), "big=1; a=1");
  } else {
    EXPECT_EQ(S(returnedHeaders), std::string(5000, ' '));
    // No cookie is gathered, and the merge runs all the same.
    EXPECT_EQ(S(returnedCookies), "a=1");
  }
  EXPECT_EQ(S(cookie), S(returnedCookies));
}

INSTANTIATE_TEST_SUITE_P(Sizes, WinInetHeaderBufferTest,
                         testing::Values(HeaderBufferCase{"JustFits", 4999, true},
                                         HeaderBufferCase{"OneByteTooMany", 5000, false},
                                         HeaderBufferCase{"FarTooMany", 20000, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct EarlyFailureCase {
  const char* name;
  bool openFails;
  bool connectFails;
  bool openRequestFails;
  std::vector<std::string> calls;
};

class WinInetEarlyFailureTest : public WinInetFetchTest,
                                public testing::WithParamInterface<EarlyFailureCase> {};

TEST_P(WinInetEarlyFailureTest, ClosesWhatItOpenedAndTouchesNothing) {
  const EarlyFailureCase& c = GetParam();
  api.openFails = c.openFails;
  api.connectFails = c.connectFails;
  api.openRequestFails = c.openRequestFails;
  Text cookie = "a=1";
  Text returnedCookies = "rc";
  Text headers = "X: 1";
  Text returnedHeaders = "rh";
  Bytes postBytes;
  const Bytes body = WinInetFetch(api, {.url = "https://shop.example.com/p",
                                        .method = kPost,
                                        .postText = "t=1",
                                        .cookie = &cookie,
                                        .returnedCookies = &returnedCookies,
                                        .headers = &headers,
                                        .returnedHeaders = &returnedHeaders,
                                        .postBytes = &postBytes});
  EXPECT_TRUE(body.Empty());
  EXPECT_THAT(api.Calls(), testing::ElementsAreArray(c.calls));
  EXPECT_EQ(S(cookie), "a=1");
  EXPECT_EQ(S(returnedCookies), "rc");
  EXPECT_EQ(S(headers), "X: 1");
  EXPECT_EQ(S(returnedHeaders), "rh");
  EXPECT_TRUE(postBytes.Empty());
}

const std::string kOpen = std::string("InternetOpenA(\"") + kDefaultAgent + "\", 1, null, null, 0)";
const std::string kConnect =
    R"(InternetConnectA(root, "shop.example.com", 443, null, null, 3, 0, 0))";
const std::string kOpenRequest =
    R"(HttpOpenRequestA(connection, "POST", "/p", "HTTP/1.1", null, null, 0x80880010, 0))";

INSTANTIATE_TEST_SUITE_P(
    Handles, WinInetEarlyFailureTest,
    testing::Values(
        EarlyFailureCase{"Root", true, false, false, {kOpen}},
        EarlyFailureCase{
            "Connection", false, true, false, {kOpen, kConnect, "InternetCloseHandle(root)"}},
        EarlyFailureCase{"Request",
                         false,
                         false,
                         true,
                         {kOpen, kConnect, kOpenRequest, "InternetCloseHandle(connection)",
                          "InternetCloseHandle(root)"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WinInetFetchTest, FailedSendGivesEmptyBodyAndBlankHeaders) {
  api.sendFails = true;
  api.page = {.rawHeaders = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1", .body = Bytes("never")};
  Text returnedHeaders;
  Text returnedCookies = "rc";
  EXPECT_TRUE(WinInetFetch(api, {.url = kUrl,
                                 .returnedCookies = &returnedCookies,
                                 .returnedHeaders = &returnedHeaders})
                  .Empty());
  EXPECT_EQ(S(returnedHeaders), std::string(5000, ' '));
  EXPECT_EQ(S(returnedCookies), "");
  EXPECT_THAT(api.Calls(), testing::Contains("InternetReadFile(request, 1024) -> 0"));
}

TEST_F(WinInetFetchTest, BodyArrivesWholeOverShortReads) {
  std::string content;
  for (int i = 0; i < 5000; ++i) content.push_back(static_cast<char>(i % 251));
  api.page.body = Bytes(content);
  api.maxBytesPerRead = 700;
  EXPECT_EQ(std::string(WinInetFetch(api, {.url = kUrl}).View()), content);
}

TEST_F(WinInetFetchTest, LargeBodyArrivesWhole) {
  const std::string content(40 * 1024 * 1024 + 17, 'z');
  api.page.body = Bytes(content);
  const Bytes body = WinInetFetch(api, {.url = kUrl});
  EXPECT_EQ(body.Length(), static_cast<int>(content.size()));
  EXPECT_TRUE(body == Bytes(content));
}

}  // namespace
}  // namespace ow
