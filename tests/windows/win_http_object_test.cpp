// The real WinHttp request object, reached through its IDispatch by request_object_win32.cpp,
// against the native servers of wine_test_driver: first member by member, then through
// WinHttpFetch as the query calls it.
#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "http/request_object.h"
#include "http/win_http_fetch.h"
#include "wine_test_environment.h"
#include "wine_test_routes.h"

namespace ow {
namespace {

namespace routes = wine_test_routes;
using wine_test::HttpsUrl;
using wine_test::HttpUrl;

// Shows a raw header text with its line ends visible, for the test log.
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

class WinHttpObject : public testing::Test {
 protected:
  void SetUp() override {
    platform_.CoInitialize();
    object_ = platform_.CreateRequestObject();
    ASSERT_NE(object_, nullptr) << "the request object could not be created";
  }
  void TearDown() override {
    object_.reset();
    platform_.CoUninitialize();
  }

  RequestPlatform& platform_ = SystemRequestPlatform();
  std::shared_ptr<RequestObject> object_;
};

TEST_F(WinHttpObject, SeesARedirectWithoutFollowingIt) {
  object_->Open("GET", HttpUrl(routes::kRedirect), false);
  object_->PutOption(kOptionEnableRedirects, 0);
  object_->Send(Text(""));

  EXPECT_EQ(object_->Status(), 302);
  const Text headers = object_->GetAllResponseHeaders();
  Show("GetAllResponseHeaders of a 302", headers);
  EXPECT_NE(FindText(headers, ConcatText("Location: ", HttpUrl(routes::kLanding), "\r\n")), -1);
  // Both spellings of the cookie header come back as the server wrote them.
  EXPECT_NE(FindText(headers, ConcatText(routes::kRedirectCookieLine1, "\r\n")), -1);
  EXPECT_NE(FindText(headers, ConcatText(routes::kRedirectCookieLine2, "\r\n")), -1);
}

TEST_F(WinHttpObject, FollowsARedirectByDefault) {
  object_->Open("GET", HttpUrl(routes::kRedirect), false);
  object_->Send(Text(""));
  EXPECT_EQ(object_->Status(), 200);
  EXPECT_EQ(object_->ResponseBody(), Bytes(routes::kLandingBody));
}

TEST_F(WinHttpObject, SendsABodyOfBytesUnchanged) {
  const Bytes body(std::string_view("\0\x01\x7F\x80\xFF\xD6\xD0", 7));
  object_->Open("POST", HttpUrl(routes::kEcho), false);
  object_->Send(body);
  ASSERT_EQ(object_->Status(), 200);
  const std::string echoed(object_->ResponseBody().View());
  ASSERT_GE(echoed.size(), body.View().size());
  EXPECT_EQ(echoed.substr(echoed.size() - body.View().size()), body.View());
  EXPECT_NE(echoed.find("\r\nContent-Length: 7\r\n"), std::string::npos) << echoed;
}

TEST_F(WinHttpObject, FailedRequestGivesEmptyValues) {
  object_->SetTimeouts(5000, 5000, 5000, 5000);
  object_->Open("GET", Text("http://127.0.0.1:1/"), false);  // nothing listens on port 1
  object_->Send(Text(""));
  EXPECT_EQ(object_->Status(), 0);
  EXPECT_EQ(object_->ResponseBody(), Bytes());
  EXPECT_EQ(object_->GetAllResponseHeaders(), Text(""));
}

TEST(WinHttpFetchOnWindows, TheQuerysFirstRequestSeesTheRedirectTarget) {
  Text headers("Accept: text/html");
  Text returnedHeaders;
  Text returnedCookies;
  int status = 0;
  const Bytes body = WinHttpFetch({.url = HttpUrl(routes::kRedirect),
                                   .returnedCookies = &returnedCookies,
                                   .headers = &headers,
                                   .returnedHeaders = &returnedHeaders,
                                   .returnedStatus = &status,
                                   .noRedirect = true,
                                   .autoMergeCookies = true});
  EXPECT_EQ(status, 302);
  EXPECT_EQ(TextBetween(returnedHeaders, "Location: ", "\r\n"), HttpUrl(routes::kLanding));
  // The lower-case header name was made "Set-Cookie", so both cookies are gathered.
  EXPECT_EQ(returnedCookies, Text("visit=1; Lower=2"));
}

// The header lines arrive as SetRequestHeader was given them, in that order; the object adds
// its own lines (Host, Connection) and nothing else we would have to allow for.
TEST(WinHttpFetchOnWindows, HeaderBlockAsTheServerRecordsIt) {
  const Text url = HttpUrl(routes::kEcho);
  Text headers("X-Order: 12345\r\nAccept: text/html");
  const Bytes body = WinHttpFetch({.url = url, .cookie = nullptr, .headers = &headers});
  const std::string head(body.View());
  Show("request head as the server received it", Text(head));
  ASSERT_EQ(head.rfind("GET /echo HTTP/1.1\r\n", 0), 0u) << head;
  const std::string expectedLines[] = {
      "X-Order: 12345",
      "Accept: text/html",
      "Referer: " + std::string(url.View()),
      "Accept-Language: zh-cn",
      "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
  };
  std::size_t previous = 0;
  for (const std::string& line : expectedLines) {
    const std::size_t at = head.find("\r\n" + line + "\r\n");
    ASSERT_NE(at, std::string::npos) << line;
    EXPECT_GT(at, previous) << line << " is out of order";
    EXPECT_EQ(head.find("\r\n" + line + "\r\n", at + 1), std::string::npos) << line << " twice";
    previous = at;
  }
}

TEST(WinHttpFetchOnWindows, PostTextArrivesAsTheBody) {
  const Bytes body =
      WinHttpFetch({.url = HttpUrl(routes::kEcho), .method = kPost, .postText = "a=1&b=2"});
  const std::string echoed(body.View());
  EXPECT_NE(echoed.find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"),
            std::string::npos);
  EXPECT_EQ(echoed.substr(echoed.size() - 7), "a=1&b=2") << echoed;
}

TEST(WinHttpFetchOnWindows, BodyOverTwentyMegabytesComesWhole) {
  int status = 0;
  const Bytes body = WinHttpFetch({.url = HttpUrl(routes::kLargeBody), .returnedStatus = &status});
  EXPECT_EQ(status, 200);
  ASSERT_EQ(body.Length(), routes::kLargeBodySize);
  EXPECT_TRUE(body.View() == routes::LargeBody());
}

// The object has no limit of its own on the header text (WinINet's routine has one of 5000).
TEST(WinHttpFetchOnWindows, ResponseHeadersOver5000BytesComeWhole) {
  Text returnedHeaders;
  Text returnedCookies;
  const Bytes body = WinHttpFetch({.url = HttpUrl(routes::kLargeHeaders),
                                   .returnedCookies = &returnedCookies,
                                   .returnedHeaders = &returnedHeaders});
  EXPECT_GT(returnedHeaders.Length(), 5000);
  for (int i = 0; i < routes::kFillerHeaderCount; ++i) {
    EXPECT_NE(FindText(returnedHeaders, Text(routes::FillerHeaderLine(i))), -1) << i;
  }
  EXPECT_EQ(returnedCookies, Text("visit=1"));
  EXPECT_EQ(body, Bytes(routes::kLandingBody));
}

// Wine 8 does not apply the object's SetProxy (the proxy option of a request handle is a stub
// there) and drops a header set before Open, so under Wine the request goes straight to the
// server and these two can only be skipped.
TEST(WinHttpFetchOnWindows, ProxyGetsBasicCredentials) {
  if (wine_test::RunningUnderWine()) GTEST_SKIP() << "Wine 8 ignores SetProxy of the object";
  int status = 0;
  const Bytes body = WinHttpFetch({.url = HttpUrl(routes::kEcho),
                                   .returnedStatus = &status,
                                   .proxy = wine_test::ProxyAddress(),
                                   .proxyUser = routes::kProxyUser,
                                   .proxyPassword = routes::kProxyPassword});
  // The proxy answers 407 unless the credentials arrive; with them it forwards to the echo.
  EXPECT_EQ(status, 200);
  EXPECT_EQ(std::string(body.View()).rfind("GET /echo HTTP/1.1\r\n", 0), 0u);
}

TEST(WinHttpFetchOnWindows, ProxyWithoutCredentialsRefuses) {
  if (wine_test::RunningUnderWine()) GTEST_SKIP() << "Wine 8 ignores SetProxy of the object";
  int status = 0;
  const Bytes body = WinHttpFetch({.url = HttpUrl(routes::kEcho),
                                   .returnedStatus = &status,
                                   .proxy = wine_test::ProxyAddress()});
  EXPECT_EQ(status, 407) << body.View();
}

// Under Wine 8, Option(4) does not make the object ignore certificate errors, so what this can
// show is HTTPS with a certificate that verifies (the test CA trusted by the current user), not
// HTTPS with one that does not.
TEST(WinHttpFetchOnWindows, HttpsWithTheTestCaTrusted) {
  ASSERT_TRUE(wine_test::TrustTestCa());
  int status = 0;
  const Bytes body = WinHttpFetch({.url = HttpsUrl(routes::kEcho), .returnedStatus = &status});
  EXPECT_EQ(status, 200);
  EXPECT_EQ(std::string(body.View()).rfind("GET /echo HTTP/1.1\r\n", 0), 0u);
}

}  // namespace
}  // namespace ow
