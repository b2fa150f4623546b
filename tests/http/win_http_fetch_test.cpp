#include "http/win_http_fetch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "fakes/recording_request_platform.h"

namespace ow {
namespace {

using fakes::RecordingRequestPlatform;
using testing::Contains;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;
using testing::Not;

constexpr const char* kUrl = "https://shop.example.com/go/cn/vieworder/A1/x@example.com";
const std::string kAgentLine =
    R"x(SetRequestHeader("User-Agent", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"))x";
const std::string kSslOption = "PutOption(4, " + std::to_string(0x3300) + ")";

std::string S(const Text& t) {
  return std::string(t.View());
}

// The calls from Open up to the header lines, for the default block of kUrl.
std::vector<std::string> DefaultHeaderCalls() {
  return {R"(SetRequestHeader("Accept", "*/*"))",
          std::string(R"(SetRequestHeader("Referer", ")") + kUrl + "\")",
          R"(SetRequestHeader("Accept-Language", "zh-cn"))", kAgentLine};
}

// The recorded calls that set request headers, in order.
std::vector<std::string> HeaderCalls(const std::vector<std::string>& calls) {
  std::vector<std::string> headers;
  for (const std::string& call : calls) {
    if (call.rfind("SetRequestHeader(", 0) == 0) headers.push_back(call);
  }
  return headers;
}

class WinHttpFetchTest : public testing::Test {
 protected:
  RecordingRequestPlatform platform;
};

TEST_F(WinHttpFetchTest, WorkedExampleMakesTheCallsInOrder) {
  platform.response = {.headers =
                           "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1/s\r\n"
                           "set-cookie: sid=1; Path=/\r\n",
                       .body = Bytes("moved"),
                       .status = 302};
  Text headers;
  Text returnedHeaders;
  Text returnedCookies;
  int status = -1;
  const Bytes body = WinHttpFetch(platform, {.url = kUrl,
                                             .returnedCookies = &returnedCookies,
                                             .headers = &headers,
                                             .returnedHeaders = &returnedHeaders,
                                             .returnedStatus = &status,
                                             .noRedirect = true});

  std::vector<std::string> expected = {"CoInitialize",
                                       "CreateRequestObject",
                                       "SetTimeouts(15000, 15000, 15000, 15000)",
                                       std::string(R"(Open("GET", ")") + kUrl + R"(", false))",
                                       "PutOption(6, 0)",
                                       kSslOption};
  for (const std::string& call : DefaultHeaderCalls()) expected.push_back(call);
  for (const char* call : {R"(Send(Text ""))", "ResponseBody", "GetAllResponseHeaders", "Status",
                           "Release", "CoUninitialize"}) {
    expected.push_back(call);
  }
  EXPECT_THAT(platform.Calls(), ElementsAreArray(expected));

  EXPECT_EQ(S(headers), std::string("Accept: */*\r\nReferer: ") + kUrl +
                            "\r\nAccept-Language: zh-cn"
                            "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
  EXPECT_EQ(body, Bytes("moved"));
  EXPECT_EQ(status, 302);
  EXPECT_EQ(S(returnedHeaders),
            "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1/s\r\nSet-Cookie: sid=1; Path=/\r\n");
  EXPECT_EQ(S(returnedCookies), "sid=1");
}

TEST_F(WinHttpFetchTest, RedirectsStayOnWhenNotAskedOff) {
  WinHttpFetch(platform, {.url = kUrl});
  EXPECT_THAT(platform.Calls(), Not(Contains("PutOption(6, 0)")));
  EXPECT_THAT(platform.Calls(), Contains(kSslOption));
}

struct TimeoutCase {
  int timeoutSeconds;
  std::optional<int> milliseconds;
};

class WinHttpTimeoutTest : public WinHttpFetchTest,
                           public testing::WithParamInterface<TimeoutCase> {};

TEST_P(WinHttpTimeoutTest, SetsAllFourTimeouts) {
  WinHttpFetch(platform, {.url = kUrl, .timeoutSeconds = GetParam().timeoutSeconds});
  const std::vector<std::string> calls = platform.Calls();
  if (GetParam().milliseconds) {
    const std::string ms = std::to_string(*GetParam().milliseconds);
    EXPECT_EQ(calls.at(2), "SetTimeouts(" + ms + ", " + ms + ", " + ms + ", " + ms + ")");
  } else {
    EXPECT_THAT(calls, Not(Contains(testing::StartsWith("SetTimeouts"))));
  }
}

INSTANTIATE_TEST_SUITE_P(Seconds, WinHttpTimeoutTest,
                         testing::Values(TimeoutCase{-1, std::nullopt}, TimeoutCase{0, 15000},
                                         TimeoutCase{-5, 15000}, TimeoutCase{20, 20000},
                                         // Held at the largest count instead of wrapping round.
                                         TimeoutCase{3000000, INT_MAX}));

struct ProxyCase {
  const char* name;
  const char* proxy;
  const char* user;
  std::optional<int> mode;
  std::vector<std::string> callsBeforeOpen;
};

class WinHttpProxyTest : public WinHttpFetchTest, public testing::WithParamInterface<ProxyCase> {};

TEST_P(WinHttpProxyTest, SetsProxyAndCredentialsBeforeOpen) {
  const ProxyCase& c = GetParam();
  WinHttpFetch(platform, {.url = kUrl,
                          .proxy = c.proxy,
                          .proxyUser = c.user,
                          .proxyPassword = "p@ss",
                          .proxyMode = c.mode});
  std::vector<std::string> calls = platform.Calls();
  // CoInitialize, CreateRequestObject and SetTimeouts come first; Open ends the part compared.
  std::vector<std::string> beforeOpen;
  for (std::size_t i = 3; i < calls.size() && calls[i].rfind("Open(", 0) != 0; ++i) {
    beforeOpen.push_back(calls[i]);
  }
  EXPECT_THAT(beforeOpen, ElementsAreArray(c.callsBeforeOpen));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, WinHttpProxyTest,
    testing::Values(ProxyCase{"NoProxy", "", "user", 1, {}},
                    ProxyCase{"ProxyWithoutUser",
                              "proxy.local:3128",
                              "",
                              std::nullopt,
                              {R"(SetProxy(2, "proxy.local:3128"))"}},
                    // "user:p@ss" in Base64.
                    ProxyCase{"BasicByDefault",
                              "proxy.local:3128",
                              "user",
                              std::nullopt,
                              {R"(SetProxy(2, "proxy.local:3128"))",
                               R"(SetRequestHeader("Proxy-Authorization", "Basic dXNlcjpwQHNz"))"}},
                    ProxyCase{"BasicAsMode1",
                              "proxy.local:3128",
                              "user",
                              1,
                              {R"(SetProxy(2, "proxy.local:3128"))",
                               R"(SetRequestHeader("Proxy-Authorization", "Basic dXNlcjpwQHNz"))"}},
                    ProxyCase{"OtherModeSendsNoCredentials",
                              "proxy.local:3128",
                              "user",
                              2,
                              {R"(SetProxy(2, "proxy.local:3128"))"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct MethodCase {
  int method;
  const char* verb;
  bool contentType;
};

class WinHttpMethodTest : public WinHttpFetchTest,
                          public testing::WithParamInterface<MethodCase> {};

TEST_P(WinHttpMethodTest, OpensWithTheVerb) {
  Text headers;
  WinHttpFetch(platform, {.url = kUrl, .method = GetParam().method, .headers = &headers});
  EXPECT_THAT(platform.Calls(),
              Contains(std::string("Open(\"") + GetParam().verb + "\", \"" + kUrl + "\", false)"));
  const bool hasContentType =
      S(headers).find("\r\nContent-Type: application/x-www-form-urlencoded") != std::string::npos;
  EXPECT_EQ(hasContentType, GetParam().contentType);
}

INSTANTIATE_TEST_SUITE_P(Codes, WinHttpMethodTest,
                         testing::Values(MethodCase{0, "GET", false}, MethodCase{1, "POST", true},
                                         MethodCase{3, "PUT", false},
                                         MethodCase{7, "CONNECT", false},
                                         MethodCase{8, "GET", false},
                                         MethodCase{-1, "GET", false}));

TEST_F(WinHttpFetchTest, SendsBytesOverTextAndTextOtherwise) {
  WinHttpFetch(platform, {.url = kUrl,
                          .method = kPost,
                          .postText = "text=1",
                          .postBytes = Bytes(std::string_view("b\0y", 3))});
  WinHttpFetch(platform, {.url = kUrl, .method = kPost, .postText = "text=1"});
  // The object is asked to send whatever text it is given, a GET included.
  WinHttpFetch(platform, {.url = kUrl, .postText = "q"});

  std::vector<std::string> sends;
  for (const std::string& call : platform.Calls()) {
    if (call.rfind("Send(", 0) == 0) sends.push_back(call);
  }
  EXPECT_THAT(sends, ElementsAre("Send(Bytes \"" + std::string("b\0y", 3) + "\")",
                                 R"(Send(Text "text=1"))", R"(Send(Text "q"))"));
}

TEST_F(WinHttpFetchTest, CompletesTheCallersBlockLineByLine) {
  // A leading CR LF gives an empty first piece; "accept:" in small letters is not "Accept:",
  // while "Referer:" inside a value counts as present.
  Text headers =
      "\r\nHost: shop.example.com\r\naccept: text/html\r\nX-Note: Referer: inside\r\nBare";
  WinHttpFetch(platform, {.url = kUrl, .cookie = nullptr, .headers = &headers});

  EXPECT_EQ(S(headers),
            "\r\nHost: shop.example.com\r\naccept: text/html\r\nX-Note: Referer: inside\r\nBare"
            "\r\nAccept: */*\r\nAccept-Language: zh-cn"
            "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
  EXPECT_THAT(HeaderCalls(platform.Calls()),
              ElementsAre(R"(SetRequestHeader("Host", "shop.example.com"))",
                          R"(SetRequestHeader("accept", "text/html"))",
                          R"(SetRequestHeader("X-Note", "Referer: inside"))",
                          R"(SetRequestHeader("", ""))", R"(SetRequestHeader("Accept", "*/*"))",
                          R"(SetRequestHeader("Accept-Language", "zh-cn"))", kAgentLine));
}

TEST_F(WinHttpFetchTest, BlockOfOneLineGivesOneCall) {
  Text headers = "X-All: Accept: Referer: Accept-Language: User-Agent:";
  WinHttpFetch(platform, {.url = kUrl, .headers = &headers});
  EXPECT_EQ(S(headers), "X-All: Accept: Referer: Accept-Language: User-Agent:");
  EXPECT_THAT(
      HeaderCalls(platform.Calls()),
      ElementsAre(R"(SetRequestHeader("X-All", "Accept: Referer: Accept-Language: User-Agent:"))"));
}

TEST_F(WinHttpFetchTest, CookieHeaderGoesBeforeTheBlock) {
  Text cookie = "a=1; b=2";
  WinHttpFetch(platform, {.url = kUrl, .cookie = &cookie});
  std::vector<std::string> expected = {R"(SetRequestHeader("Cookie", "a=1; b=2"))"};
  for (const std::string& call : DefaultHeaderCalls()) expected.push_back(call);
  EXPECT_THAT(HeaderCalls(platform.Calls()), ElementsAreArray(expected));
}

struct CookieCase {
  const char* name;
  std::optional<const char*> cookie;  // nullopt: not given
  std::optional<bool> autoMerge;
  const char* returnedCookies;
  const char* cookieAfter;
};

class WinHttpCookieTest : public WinHttpFetchTest,
                          public testing::WithParamInterface<CookieCase> {};

TEST_P(WinHttpCookieTest, GathersAndMerges) {
  const CookieCase& c = GetParam();
  platform.response.headers =
      "HTTP/1.1 200 OK\r\nSET-COOKIE: b=3; Path=/\r\nset-cookie: x = 1\r\nSet-Cookie: x = 1";
  Text cookie = c.cookie.value_or("unused");
  Text returnedCookies = "stale";
  WinHttpFetch(platform, {.url = kUrl,
                          .cookie = c.cookie ? &cookie : nullptr,
                          .returnedCookies = &returnedCookies,
                          .autoMergeCookies = c.autoMerge});
  EXPECT_EQ(S(returnedCookies), c.returnedCookies);
  EXPECT_EQ(S(cookie), c.cookieAfter);
}

INSTANTIATE_TEST_SUITE_P(Cookies, WinHttpCookieTest,
                         testing::Values(CookieCase{"NotGivenNoMerge", std::nullopt, true,
                                                    "b=3; x = 1; x = 1", "unused"},
                                         CookieCase{"GivenEmptyMerges", "", std::nullopt,
                                                    "b=3; x=1", "b=3; x=1"},
                                         CookieCase{"GivenMergesNewFirst", "a=1; b=2", std::nullopt,
                                                    "b=3; x=1; a=1", "b=3; x=1; a=1"},
                                         CookieCase{"MergeSwitchedOff", "a=1; b=2", false,
                                                    "b=3; x = 1; x = 1", "a=1; b=2"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WinHttpFetchTest, ObjectThatCannotBeCreatedLeavesEverythingAlone) {
  platform.creationFails = true;
  Text cookie = "a=1";
  Text returnedCookies = "rc";
  Text headers = "X: 1";
  Text returnedHeaders = "rh";
  int status = 7;
  const Bytes body = WinHttpFetch(platform, {.url = kUrl,
                                             .cookie = &cookie,
                                             .returnedCookies = &returnedCookies,
                                             .headers = &headers,
                                             .returnedHeaders = &returnedHeaders,
                                             .returnedStatus = &status});
  EXPECT_THAT(platform.Calls(),
              ElementsAre("CoInitialize", "CreateRequestObject", "CoUninitialize"));
  EXPECT_TRUE(body.Empty());
  EXPECT_EQ(S(cookie), "a=1");
  EXPECT_EQ(S(returnedCookies), "rc");
  EXPECT_EQ(S(headers), "X: 1");
  EXPECT_EQ(S(returnedHeaders), "rh");
  EXPECT_EQ(status, 7);
}

TEST_F(WinHttpFetchTest, CallersObjectIsUsedAndStaysWithTheCaller) {
  std::shared_ptr<fakes::RecordingRequestObject> object = platform.NewObject();
  platform.response.status = 200;
  int status = 0;
  WinHttpFetch(
      platform,
      {.url = kUrl, .returnedStatus = &status, .timeoutSeconds = -1, .requestObject = object});
  const std::vector<std::string> calls = platform.Calls();
  EXPECT_THAT(calls, Not(Contains("CreateRequestObject")));
  EXPECT_THAT(calls, Not(Contains("Release")));
  EXPECT_EQ(calls.front(), "CoInitialize");
  EXPECT_EQ(calls.at(1), std::string(R"(Open("GET", ")") + kUrl + R"(", false))");
  EXPECT_EQ(calls.back(), "CoUninitialize");
  EXPECT_EQ(object.use_count(), 1);
  EXPECT_EQ(status, 200);
  EXPECT_EQ(S(object->Sent().url), kUrl);
}

TEST_F(WinHttpFetchTest, CallersEmptyObjectActsAsOneWhoseCallsAllFail) {
  Text cookie = "a=1";
  Text returnedCookies = "rc";
  Text headers;
  Text returnedHeaders = "rh";
  int status = 7;
  const Bytes body = WinHttpFetch(platform, {.url = kUrl,
                                             .cookie = &cookie,
                                             .returnedCookies = &returnedCookies,
                                             .headers = &headers,
                                             .returnedHeaders = &returnedHeaders,
                                             .returnedStatus = &status,
                                             .requestObject = nullptr});
  EXPECT_THAT(platform.Calls(), ElementsAre("CoInitialize", "CoUninitialize"));
  EXPECT_TRUE(body.Empty());
  EXPECT_EQ(S(headers).rfind("Accept: */*\r\nReferer: ", 0), 0u);
  EXPECT_EQ(S(returnedHeaders), "");
  EXPECT_EQ(status, 0);
  // Nothing came back, so the merge leaves the sent cookies.
  EXPECT_EQ(S(returnedCookies), "a=1");
  EXPECT_EQ(S(cookie), "a=1");
}

TEST_F(WinHttpFetchTest, OutParametersLeftOutAreAccepted) {
  platform.response = {.headers = "Set-Cookie: a=1", .body = Bytes("ok"), .status = 200};
  EXPECT_EQ(WinHttpFetch(platform, {.url = kUrl}), Bytes("ok"));
  EXPECT_THAT(platform.Requests(), testing::SizeIs(1));
}

}  // namespace
}  // namespace ow
