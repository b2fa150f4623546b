// The libcurl internet handles against real local servers, call by call as the routine uses them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fixtures/test_servers.h"
#include "http/internet_api.h"
#include "integration_support.h"

namespace ow {
namespace {

using fixtures::HttpServer;
using fixtures::ScriptedResponse;

constexpr std::uint32_t kPlainFlags = kInternetFlagReload | kInternetFlagNeedFile;

// One request through the three handles, closed at the end of the test.
struct Exchange {
  InternetApi& api = SystemInternetApi();
  InternetHandle root = nullptr;
  InternetHandle connection = nullptr;
  InternetHandle request = nullptr;

  Exchange(const HttpServer& server, const char* verb, const std::string& path, std::uint32_t flags,
           const char* agent = "test agent", const char* proxy = nullptr) {
    root = api.InternetOpenA(agent, proxy ? kInternetOpenTypeProxy : kInternetOpenTypeDirect, proxy,
                             proxy ? "" : nullptr, 0);
    connection = api.InternetConnectA(root, "127.0.0.1", server.Port(), nullptr, nullptr,
                                      kInternetServiceHttp, 0, 0);
    request = api.HttpOpenRequestA(connection, verb, path.c_str(), "HTTP/1.1", nullptr, nullptr,
                                   flags, 0);
  }
  ~Exchange() {
    api.InternetCloseHandle(request);
    api.InternetCloseHandle(connection);
    api.InternetCloseHandle(root);
  }

  bool Send(const std::string& headers, const std::string& body = "") {
    return api.HttpSendRequestA(
        request, headers.c_str(), static_cast<std::uint32_t>(headers.size()),
        body.empty() ? "" : body.data(), static_cast<std::uint32_t>(body.size()));
  }

  // Reads the body in chunks of `chunk` bytes, the way the routine does.
  std::string ReadAll(std::uint32_t chunk = 1024) {
    std::string body;
    std::vector<char> buffer(chunk);
    std::uint32_t count = 0;
    do {
      api.InternetReadFile(request, buffer.data(), chunk, &count);
      body.append(buffer.data(), count);
    } while (count > 0);
    return body;
  }

  std::string RawHeaders() {
    std::vector<char> buffer(100000, 'z');
    auto length = static_cast<std::uint32_t>(buffer.size());
    if (!api.HttpQueryInfoA(request, kHttpQueryRawHeadersCrlf, buffer.data(), &length, nullptr)) {
      return "<failed>";
    }
    EXPECT_EQ(buffer[length], '\0');
    return std::string(buffer.data(), length);
  }
};

TEST(InternetApiCurl, SendsTheCallersBlockPlusHostAndTheAgent) {
  HttpServer server;
  server.Route("/page", fixtures::RespondText("hello"));
  Exchange exchange(server, "GET", "/page?x=1", kPlainFlags);
  ASSERT_TRUE(exchange.Send("Accept: */*\r\nReferer: http://a.test/\r\nAccept-Language: zh-cn"));
  EXPECT_EQ(server.Requests()[0].head,
            "GET /page?x=1 HTTP/1.1\r\nHost: " + HostOf(server) +
                "\r\nUser-Agent: test agent\r\nAccept: */*\r\nReferer: http://a.test/\r\n"
                "Accept-Language: zh-cn\r\n\r\n");
  EXPECT_EQ(exchange.ReadAll(), "hello");
}

TEST(InternetApiCurl, TheCallersUserAgentWins) {
  HttpServer server;
  server.Route("/page", fixtures::RespondText("hello"));
  Exchange exchange(server, "GET", "/page", kPlainFlags, "root agent");
  ASSERT_TRUE(exchange.Send("user-agent: caller agent\r\nAccept: */*"));
  EXPECT_EQ(server.Requests()[0].head, "GET /page HTTP/1.1\r\nHost: " + HostOf(server) +
                                           "\r\nuser-agent: caller agent\r\nAccept: */*\r\n\r\n");
}

TEST(InternetApiCurl, ReadsInTheCallersChunksAndReportsTheRawHeaders) {
  HttpServer server;
  ScriptedResponse response;
  response.headerLines = {"Content-Type: text/plain", "SET-COOKIE: a=1"};
  response.body = PatternBody(2500);
  server.Route("/r", fixtures::RespondWith(response));
  Exchange exchange(server, "GET", "/r", kPlainFlags);
  ASSERT_TRUE(exchange.Send("Accept: */*"));
  EXPECT_EQ(exchange.ReadAll(1000), response.body);
  std::uint32_t count = 99;
  char byte;
  EXPECT_TRUE(exchange.api.InternetReadFile(exchange.request, &byte, 1, &count));
  EXPECT_EQ(count, 0u);  // the end stays the end
  EXPECT_EQ(exchange.RawHeaders(),
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nSET-COOKIE: a=1\r\n"
            "Content-Length: 2500\r\n\r\n");
}

TEST(InternetApiCurl, HeaderQueryLeavesASmallBufferUntouched) {
  HttpServer server;
  ScriptedResponse response;
  response.headerLines = {"X-Filler: " + std::string(6000, 'f')};
  response.body = "still here";
  server.Route("/big", fixtures::RespondWith(response));
  Exchange exchange(server, "GET", "/big", kPlainFlags);
  ASSERT_TRUE(exchange.Send("Accept: */*"));

  std::string expected =
      "HTTP/1.1 200 OK\r\n" + response.headerLines[0] + "\r\nContent-Length: 10\r\n\r\n";
  std::vector<char> buffer(5000, ' ');
  std::uint32_t length = 5000;
  EXPECT_FALSE(exchange.api.HttpQueryInfoA(exchange.request, kHttpQueryRawHeadersCrlf,
                                           buffer.data(), &length, nullptr));
  EXPECT_EQ(length, expected.size() + 1);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(5000, ' '));

  // Exactly the size it asked for is enough: the text and its NUL.
  buffer.assign(expected.size() + 1, 'z');
  EXPECT_TRUE(exchange.api.HttpQueryInfoA(exchange.request, kHttpQueryRawHeadersCrlf, buffer.data(),
                                          &length, nullptr));
  EXPECT_EQ(length, expected.size());
  EXPECT_EQ(std::string(buffer.data()), expected);
  EXPECT_EQ(exchange.ReadAll(), "still here");
}

TEST(InternetApiCurl, FollowsRedirectsCarryingTheirCookies) {
  HttpServer server;
  server.Route("/one", fixtures::RedirectTo("/two", 302, {"Set-Cookie: first=1; Path=/"}));
  server.Route("/two",
               fixtures::RedirectTo(server.Url("/three"), 301, {"set-cookie: second=2; Path=/"}));
  server.Route("/three", fixtures::RespondText("the end"));

  Exchange following(server, "GET", "/one", kPlainFlags);
  ASSERT_TRUE(following.Send("Accept: */*\r\nCookie: mine=0"));
  EXPECT_EQ(following.ReadAll(), "the end");
  EXPECT_EQ(following.RawHeaders(),
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\n"
            "Content-Length: 7\r\n\r\n");
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  // The cookies of the chain go in a line of their own; the caller's line stays as it was.
  EXPECT_EQ(requests[1].headerLines,
            (std::vector<std::string>{"Host: " + HostOf(server), "User-Agent: test agent",
                                      "Cookie: first=1", "Accept: */*", "Cookie: mine=0"}));
  EXPECT_EQ(requests[2].headerLines[2], "Cookie: second=2; first=1");
  EXPECT_EQ(requests[2].headerLines.back(), "Cookie: mine=0");

  Exchange withoutCookies(server, "GET", "/one", kPlainFlags | kInternetFlagNoCookies);
  ASSERT_TRUE(withoutCookies.Send("Accept: */*"));
  EXPECT_EQ(withoutCookies.ReadAll(), "the end");
  requests = server.Requests();
  EXPECT_FALSE(requests[4].HasHeader("Cookie"));
  EXPECT_FALSE(requests[5].HasHeader("Cookie"));

  Exchange stopping(server, "GET", "/one", kPlainFlags | kInternetFlagNoAutoRedirect);
  ASSERT_TRUE(stopping.Send("Accept: */*"));
  EXPECT_EQ(stopping.ReadAll(), "moved");
  EXPECT_EQ(stopping.RawHeaders(),
            "HTTP/1.1 302 Found\r\nLocation: /two\r\nSet-Cookie: first=1; Path=/\r\n"
            "Content-Length: 5\r\n\r\n");
  EXPECT_EQ(server.Requests().size(), 7u);
}

TEST(InternetApiCurl, PostsTheOptionalData) {
  HttpServer server;
  server.Route("/form", fixtures::RespondText("posted"));
  std::string data("a=1&b=\xb6\xa9\0z", 10);
  Exchange exchange(server, "POST", "/form", kPlainFlags);
  ASSERT_TRUE(exchange.Send("Content-Type: application/x-www-form-urlencoded", data));
  auto recorded = server.Requests()[0];
  EXPECT_EQ(recorded.body, data);
  EXPECT_EQ(recorded.headerLines,
            (std::vector<std::string>{"Host: " + HostOf(server), "User-Agent: test agent",
                                      "Content-Type: application/x-www-form-urlencoded",
                                      "Content-Length: 10"}));
}

TEST(InternetApiCurl, VerifiesCertificatesAlways) {
  HttpServer trusted(fixtures::LocalhostIdentity());
  trusted.Route("/s", fixtures::RespondText("secure"));
  Exchange good(trusted, "GET", "/s", kPlainFlags | kInternetFlagSecure);
  ASSERT_TRUE(good.Send("Accept: */*"));
  EXPECT_EQ(good.ReadAll(), "secure");

  for (auto identity : {fixtures::SelfSignedIdentity(), fixtures::WrongNameIdentity(),
                        fixtures::ExpiredIdentity()}) {
    SCOPED_TRACE(identity.certificateFile);
    HttpServer untrusted(identity);
    untrusted.Route("/s", fixtures::RespondText("secure"));
    Exchange bad(untrusted, "GET", "/s", kPlainFlags | kInternetFlagSecure);
    EXPECT_FALSE(bad.Send("Accept: */*"));
    EXPECT_EQ(bad.ReadAll(), "");
    EXPECT_EQ(bad.RawHeaders(), "<failed>");
    EXPECT_TRUE(untrusted.Requests().empty());
  }
}

TEST(InternetApiCurl, ProxyStringChoosesBySchemeAndCarriesTheAgent) {
  HttpServer plain;
  plain.Route("/p", fixtures::RespondText("plain"));
  HttpServer secure(fixtures::LocalhostIdentity());
  secure.Route("/s", fixtures::RespondText("secure"));
  fixtures::ForwardProxy proxy;
  std::string httpOnly = "http=" + proxy.Address();

  Exchange proxied(plain, "GET", "/p", kPlainFlags, "agent", httpOnly.c_str());
  ASSERT_TRUE(proxied.Send("Accept: */*"));
  EXPECT_EQ(proxied.ReadAll(), "plain");
  Exchange direct(secure, "GET", "/s", kPlainFlags | kInternetFlagSecure, "agent",
                  httpOnly.c_str());
  ASSERT_TRUE(direct.Send("Accept: */*"));
  EXPECT_EQ(direct.ReadAll(), "secure");
  std::string forAll = proxy.Address();
  Exchange tunnelled(secure, "GET", "/s", kPlainFlags | kInternetFlagSecure, "agent",
                     forAll.c_str());
  ASSERT_TRUE(tunnelled.Send("Accept: */*"));
  EXPECT_EQ(tunnelled.ReadAll(), "secure");

  auto seen = proxy.Requests();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].head, "GET " + plain.Url("/p") + " HTTP/1.1\r\nHost: " + HostOf(plain) +
                              "\r\nUser-Agent: agent\r\nAccept: */*\r\n\r\n");
  EXPECT_EQ(seen[1].method, "CONNECT");
  EXPECT_EQ(seen[1].HeaderValue("User-Agent"), "agent");
  EXPECT_FALSE(seen[1].HasHeader("Proxy-Connection"));
}

TEST(InternetApiCurl, RefusesABlockThatIsNotCleanHeaderLines) {
  HttpServer server;
  server.RouteEverythingElse(fixtures::RespondText("never"));
  for (const char* block :
       {"Accept: */*\r\nX-Evil: a\nInjected: 1", "X-Evil: a\rInjected: 1",
        "Accept: */*\r\n: no name", "Accept: */*\r\nno colon at all", "Bad Name: 1"}) {
    SCOPED_TRACE(block);
    Exchange exchange(server, "GET", "/x", kPlainFlags);
    EXPECT_FALSE(exchange.Send(block));
    EXPECT_EQ(exchange.ReadAll(), "");
  }
  EXPECT_TRUE(server.Requests().empty());

  // Empty lines, as between doubled separators, are no fault.
  Exchange exchange(server, "GET", "/x", kPlainFlags);
  EXPECT_TRUE(exchange.Send("\r\nAccept: */*\r\n\r\nX-Empty:\r\n"));
  EXPECT_EQ(server.Requests()[0].headerLines.back(), "X-Empty:");
}

TEST(InternetApiCurl, EscapesThePathLikeThePlatform) {
  HttpServer server;
  server.RouteEverythingElse(fixtures::RespondText("ok"));
  Exchange exchange(server, "GET", "/a b/\xb6\xa9%41?q=\x01|", kPlainFlags);
  ASSERT_TRUE(exchange.Send("Accept: */*"));
  EXPECT_EQ(server.Requests()[0].target, "/a%20b/%B6%A9%41?q=%01%7C");
}

TEST(InternetApiCurl, HandlesAreCheckedAndParentsMayCloseFirst) {
  InternetApi& api = SystemInternetApi();
  HttpServer server;
  server.Route("/p", fixtures::RespondText("still works"));
  InternetHandle root = api.InternetOpenA("agent", kInternetOpenTypeDirect, nullptr, nullptr, 0);
  InternetHandle connection = api.InternetConnectA(root, "127.0.0.1", server.Port(), nullptr,
                                                   nullptr, kInternetServiceHttp, 0, 0);
  InternetHandle request =
      api.HttpOpenRequestA(connection, "GET", "/p", "HTTP/1.1", nullptr, nullptr, kPlainFlags, 0);
  ASSERT_NE(request, nullptr);
  EXPECT_TRUE(api.InternetCloseHandle(root));
  EXPECT_TRUE(api.InternetCloseHandle(connection));
  EXPECT_FALSE(api.InternetCloseHandle(root));  // closed already
  EXPECT_EQ(
      api.InternetConnectA(root, "127.0.0.1", 80, nullptr, nullptr, kInternetServiceHttp, 0, 0),
      nullptr);
  EXPECT_EQ(api.HttpOpenRequestA(root, "GET", "/", "HTTP/1.1", nullptr, nullptr, 0, 0), nullptr);

  ASSERT_TRUE(api.HttpSendRequestA(request, "", 0, "", 0));
  char buffer[64];
  std::uint32_t count = 0;
  EXPECT_TRUE(api.InternetReadFile(request, buffer, sizeof buffer, &count));
  EXPECT_EQ(std::string(buffer, count), "still works");
  EXPECT_TRUE(api.InternetCloseHandle(request));
  EXPECT_FALSE(api.HttpSendRequestA(request, "", 0, "", 0));
  EXPECT_FALSE(api.InternetReadFile(request, buffer, sizeof buffer, &count));
  EXPECT_EQ(count, 0u);

  InternetHandle rootAgain =
      api.InternetOpenA("agent", kInternetOpenTypeDirect, nullptr, nullptr, 0);
  EXPECT_EQ(api.InternetConnectA(rootAgain, "", 80, nullptr, nullptr, kInternetServiceHttp, 0, 0),
            nullptr);
  EXPECT_TRUE(api.InternetCloseHandle(rootAgain));
}

TEST(InternetApiCurl, ARefusedConnectionFailsTheSend) {
  // The handles' silence bound (30 s) is the exchange code the request object's timeout tests
  // cover; here the connection itself is refused.
  int freedPort = 0;
  {
    fixtures::SilentServer gone;
    freedPort = gone.Port();
  }
  InternetApi& api = SystemInternetApi();
  InternetHandle root = api.InternetOpenA("agent", kInternetOpenTypeDirect, nullptr, nullptr, 0);
  InternetHandle connection = api.InternetConnectA(root, "127.0.0.1", freedPort, nullptr, nullptr,
                                                   kInternetServiceHttp, 0, 0);
  InternetHandle request =
      api.HttpOpenRequestA(connection, "GET", "/", "HTTP/1.1", nullptr, nullptr, kPlainFlags, 0);
  EXPECT_FALSE(api.HttpSendRequestA(request, "Accept: */*", 11, "", 0));
  std::uint32_t length = 5000;
  char buffer[5000];
  EXPECT_FALSE(api.HttpQueryInfoA(request, kHttpQueryRawHeadersCrlf, buffer, &length, nullptr));
  EXPECT_EQ(length, 5000u);
  for (InternetHandle handle : {request, connection, root}) api.InternetCloseHandle(handle);
}

TEST(InternetApiCurl, AFortyMegabyteBodyArrivesWhole) {
  HttpServer server;
  ScriptedResponse big;
  big.sharedBody = std::make_shared<const std::string>(PatternBody(40 * 1024 * 1024));
  server.Route("/big", fixtures::RespondWith(big));
  Exchange exchange(server, "GET", "/big", kPlainFlags);
  ASSERT_TRUE(exchange.Send("Accept: */*"));
  std::string body = exchange.ReadAll(1024);
  ASSERT_EQ(body.size(), big.sharedBody->size());
  EXPECT_TRUE(body == *big.sharedBody);
}

}  // namespace
}  // namespace ow
