// The real WinINet, reached through internet_api_win32.cpp, under WinInetFetch against the
// native servers of wine_test_driver.
#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "http/win_inet_fetch.h"
#include "wine_test_environment.h"
#include "wine_test_routes.h"

namespace ow {
namespace {

namespace routes = wine_test_routes;
using wine_test::HttpsUrl;
using wine_test::HttpUrl;

void Show(const char* what, const Text& text) {
  std::string shown;
  for (const char c : text.View()) {
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n\n";
    } else {
      shown += c;
    }
  }
  std::cout << "---- " << what << " (" << text.Length() << " bytes)\n" << shown << "\n----\n";
}

bool StartsWith(const Text& text, std::string_view prefix) {
  return text.View().substr(0, prefix.size()) == prefix;
}

TEST(WinInetOnWindows, FollowsARedirectChain) {
  Text returnedHeaders;
  const Bytes body =
      WinInetFetch({.url = HttpUrl(routes::kChainStart), .returnedHeaders = &returnedHeaders});
  EXPECT_EQ(body, Bytes(routes::kChainEndBody));
  Show("HttpQueryInfoA raw headers after a redirect chain", returnedHeaders);
  EXPECT_TRUE(StartsWith(returnedHeaders, "HTTP/1.1 200 OK\r\n"));
}

TEST(WinInetOnWindows, NoRedirectShowsTheRedirect) {
  Text returnedHeaders;
  Text returnedCookies;
  WinInetFetch({.url = HttpUrl(routes::kRedirect),
                .returnedCookies = &returnedCookies,
                .returnedHeaders = &returnedHeaders,
                .noRedirect = true});
  Show("HttpQueryInfoA raw headers of a 302", returnedHeaders);
  EXPECT_TRUE(StartsWith(returnedHeaders, "HTTP/1.1 302 "));
  EXPECT_EQ(TextBetween(returnedHeaders, "Location: ", "\r\n"), HttpUrl(routes::kLanding));
  EXPECT_EQ(returnedCookies, Text("visit=1; Lower=2"));
}

// The block our routine completes arrives line for line, in order, after what WinINet puts
// first; the agent comes from InternetOpenA.
TEST(WinInetOnWindows, HeaderBlockAsTheServerRecordsIt) {
  const Text url = HttpUrl(routes::kEcho);
  Text cookie("a=1");
  const Bytes body = WinInetFetch({.url = url, .cookie = &cookie});
  const std::string head(body.View());
  Show("request head as the server received it", Text(head));
  ASSERT_EQ(head.rfind("GET /echo HTTP/1.1\r\n", 0), 0u) << head;
  const std::string expectedLines[] = {
      "Accept: */*",
      "Referer: " + std::string(url.View()),
      "Accept-Language: zh-cn",
      "Cookie: a=1",
  };
  std::size_t previous = 0;
  for (const std::string& line : expectedLines) {
    const std::size_t at = head.find("\r\n" + line + "\r\n");
    ASSERT_NE(at, std::string::npos) << line;
    EXPECT_GT(at, previous) << line << " is out of order";
    EXPECT_EQ(head.find("\r\n" + line + "\r\n", at + 1), std::string::npos) << line << " twice";
    previous = at;
  }
  EXPECT_NE(head.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"),
            std::string::npos);
}

// Without a cookie parameter WinINet's own cookie store is on: what a response set goes out
// again on the next request to that host. Given a cookie, INTERNET_FLAG_NO_COOKIES keeps the
// store out and only the caller's Cookie line is sent.
TEST(WinInetOnWindows, PlatformCookieStoreUnlessACookieIsGiven) {
  WinInetFetch({.url = HttpUrl(routes::kRedirect), .noRedirect = true});

  const std::string withStore(WinInetFetch({.url = HttpUrl(routes::kEcho)}).View());
  Show("request head after a response set cookies", Text(withStore));
  EXPECT_NE(withStore.find("visit=1"), std::string::npos);

  Text cookie("mine=1");
  const std::string withoutStore(
      WinInetFetch({.url = HttpUrl(routes::kEcho), .cookie = &cookie}).View());
  EXPECT_EQ(withoutStore.find("visit=1"), std::string::npos) << withoutStore;
  EXPECT_NE(withoutStore.find("\r\nCookie: mine=1\r\n"), std::string::npos) << withoutStore;
}

TEST(WinInetOnWindows, BodyOverTwentyMegabytesComesWhole) {
  const Bytes body = WinInetFetch({.url = HttpUrl(routes::kLargeBody)});
  ASSERT_EQ(body.Length(), routes::kLargeBodySize);
  EXPECT_TRUE(body.View() == routes::LargeBody());
}

// The header buffer holds 5000 bytes: a longer header block is not copied, the buffer keeps
// its spaces, no cookie is gathered, and the body still comes whole.
TEST(WinInetOnWindows, ResponseHeadersOver5000BytesLeaveTheBufferBlank) {
  Text returnedHeaders;
  Text returnedCookies("stale");
  const Bytes body = WinInetFetch({.url = HttpUrl(routes::kLargeHeaders),
                                   .returnedCookies = &returnedCookies,
                                   .returnedHeaders = &returnedHeaders});
  EXPECT_EQ(returnedHeaders.View(), BlankText(5000).View());
  EXPECT_EQ(returnedCookies, Text(""));
  EXPECT_EQ(body, Bytes(routes::kLandingBody));
}

// The requests name the server "localhost": under Wine, WinINet sends a request meant for the
// proxy over a connection to the server itself when an earlier request left one open, so these
// must not share a host name with the other tests.
TEST(WinInetOnWindows, PlainHttpGoesThroughTheProxy) {
  const Text url = wine_test::HttpUrlByName(routes::kEcho);
  const Bytes body = WinInetFetch({.url = url, .proxy = wine_test::OpenProxyAddress()});
  EXPECT_EQ(std::string(body.View()).rfind("GET /echo HTTP/1.1\r\n", 0), 0u) << body.View();

  // The proxy that wants credentials proves the request went through it: WinINet sends none.
  Text returnedHeaders;
  WinInetFetch(
      {.url = url, .returnedHeaders = &returnedHeaders, .proxy = wine_test::ProxyAddress()});
  EXPECT_TRUE(StartsWith(returnedHeaders, "HTTP/1.1 407 ")) << returnedHeaders.View();
}

TEST(WinInetOnWindows, HttpsWithTheTestCaTrusted) {
  ASSERT_TRUE(wine_test::TrustTestCa());
  Text returnedHeaders;
  const Bytes body =
      WinInetFetch({.url = HttpsUrl(routes::kEcho), .returnedHeaders = &returnedHeaders});
  EXPECT_TRUE(StartsWith(returnedHeaders, "HTTP/1.1 200 OK\r\n")) << returnedHeaders.View();
  EXPECT_EQ(std::string(body.View()).rfind("GET /echo HTTP/1.1\r\n", 0), 0u);
}

// Windows fails the header query when no response came, which leaves the buffer's 5000 spaces;
// Wine answers an empty header block ("\r\n") instead. Either way there is no status line.
TEST(WinInetOnWindows, UnreachableServerGivesAnEmptyBody) {
  Text returnedHeaders;
  const Bytes body =
      WinInetFetch({.url = Text("http://127.0.0.1:1/"), .returnedHeaders = &returnedHeaders});
  EXPECT_EQ(body.View(), "");
  const Text expected = wine_test::RunningUnderWine() ? Text("\r\n") : BlankText(5000);
  EXPECT_EQ(returnedHeaders.View(), expected.View());
}

}  // namespace
}  // namespace ow
