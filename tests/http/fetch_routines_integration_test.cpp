// The two request routines over the real libcurl backends against local servers: what goes on
// the wire and what comes back, end to end.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fixtures/test_servers.h"
#include "http/win_http_fetch.h"
#include "http/win_inet_fetch.h"
#include "integration_support.h"
#include "text/text.h"

namespace ow {
namespace {

using fixtures::HttpServer;
using fixtures::ScriptedResponse;

const std::string kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

TEST(FetchRoutines, WinHttpFetchSeesTheRedirectAndGathersItsCookies) {
  HttpServer store(fixtures::SelfSignedIdentity());  // certificate errors never stop it
  const std::string target = "http://127.0.0.1:1/orderstatus?order=W1&key=a%20b";
  store.Route("/go/cn/vieworder/W1/a@b.c",
              fixtures::RedirectTo(target, 302,
                                   {"Set-Cookie: session=s1; Path=/; HttpOnly",
                                    "set-cookie: region=cn", "Cache-Control: no-cache"}));
  const Text url(store.Url("/go/cn/vieworder/W1/a@b.c"));
  Text headers("Accept: text/html\r\nX-Requested-With: XMLHttpRequest");
  Text returnedHeaders, returnedCookies;
  int status = 0;
  Bytes body = WinHttpFetch({.url = url,
                             .returnedCookies = &returnedCookies,
                             .headers = &headers,
                             .returnedHeaders = &returnedHeaders,
                             .returnedStatus = &status,
                             .noRedirect = true,
                             .autoMergeCookies = true});

  EXPECT_EQ(status, 302);
  EXPECT_EQ(body, Bytes("moved"));
  EXPECT_EQ(TextBetween(returnedHeaders, "Location: ", "\r\n"), Text(target));
  EXPECT_EQ(returnedCookies, Text("session=s1; region=cn"));
  ASSERT_EQ(store.Requests().size(), 1u);
  EXPECT_EQ(store.Requests()[0].head,
            "GET /go/cn/vieworder/W1/a@b.c HTTP/1.1\r\nHost: " + HostOf(store) +
                "\r\nAccept: text/html\r\nX-Requested-With: XMLHttpRequest\r\nReferer: " +
                std::string(url.View()) +
                "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + kDefaultAgent + "\r\n\r\n");
}

TEST(FetchRoutines, WinInetFetchFollowsTwoHopsToThePage) {
  HttpServer pages;
  pages.Route("/first", fixtures::RedirectTo("/second", 302, {"Set-Cookie: hop=1; Path=/"}));
  pages.Route("/second", fixtures::RedirectTo(pages.Url("/page?id=7"), 301));
  pages.Route("/page", fixtures::RespondText("\"currentStatus\":\"SHIPPED\""));
  const Text url(pages.Url("/first"));
  Text returnedHeaders, returnedCookies;
  Bytes body = WinInetFetch(
      {.url = url, .returnedCookies = &returnedCookies, .returnedHeaders = &returnedHeaders});

  EXPECT_EQ(body, Bytes("\"currentStatus\":\"SHIPPED\""));
  EXPECT_EQ(returnedHeaders, Text("HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\n"
                                  "Content-Length: 25\r\n\r\n"));
  EXPECT_EQ(returnedCookies, Text(""));  // only the final response's cookies count
  auto requests = pages.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].head, "GET /first HTTP/1.1\r\nHost: " + HostOf(pages) +
                                  "\r\nUser-Agent: " + kDefaultAgent +
                                  "\r\nAccept: */*\r\nReferer: " + std::string(url.View()) +
                                  "\r\nAccept-Language: zh-cn\r\n\r\n");
  EXPECT_EQ(requests[2].target, "/page?id=7");
  EXPECT_EQ(requests[2].HeaderValue("Cookie"), "hop=1");  // the chain's cookie went along
  EXPECT_EQ(requests[2].HeaderValue("Referer"), std::string(url.View()));
}

TEST(FetchRoutines, PostBodiesOfTextAndBytes) {
  HttpServer server;
  server.RouteEverythingElse(fixtures::RespondText("thanks"));
  const Text url(server.Url("/form"));
  const std::string bytes("\x00\x01\xb6\xa9\xff", 5);

  WinHttpFetch({.url = url, .method = kPost, .postText = "a=1&b=\xb6\xa9"});
  WinHttpFetch({.url = url, .method = kPost, .postText = "ignored", .postBytes = Bytes(bytes)});
  WinInetFetch({.url = url, .method = kPost, .postText = "c=3"});
  Bytes postBytes(bytes);
  WinInetFetch({.url = url, .method = kPut, .postBytes = &postBytes});

  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].body, "a=1&b=\xb6\xa9");
  EXPECT_EQ(requests[1].body, bytes);
  EXPECT_EQ(requests[2].body, "c=3");
  EXPECT_EQ(requests[3].method, "PUT");
  EXPECT_EQ(requests[3].body, bytes);
  for (int i : {0, 1, 2}) {
    EXPECT_EQ(requests[i].HeaderValue("Content-Type"), "application/x-www-form-urlencoded");
  }
  EXPECT_FALSE(requests[3].HasHeader("Content-Type"));
  EXPECT_EQ(requests[1].HeaderValue("Content-Length"), "5");
}

TEST(FetchRoutines, BothRoutinesGoThroughAProxy) {
  HttpServer plain;
  plain.Route("/p", fixtures::RespondText("plain"));
  HttpServer secure(fixtures::LocalhostIdentity());
  secure.Route("/s", fixtures::RespondText("secure"));
  fixtures::ForwardProxy proxy;
  const Text proxyAddress(proxy.Address());

  EXPECT_EQ(WinHttpFetch({.url = Text(plain.Url("/p")),
                          .proxy = proxyAddress,
                          .proxyUser = "user",
                          .proxyPassword = "pass"}),
            Bytes("plain"));
  EXPECT_EQ(WinHttpFetch({.url = Text(secure.Url("/s")), .proxy = proxyAddress}), Bytes("secure"));
  EXPECT_EQ(WinInetFetch({.url = Text(plain.Url("/p")), .proxy = proxyAddress}), Bytes("plain"));
  EXPECT_EQ(WinInetFetch({.url = Text(secure.Url("/s")), .proxy = proxyAddress}), Bytes("secure"));

  auto seen = proxy.Requests();
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].target, plain.Url("/p"));
  // The routine offers the credentials before Open, which the object, like the platform's,
  // refuses; so they never reach the proxy.
  EXPECT_FALSE(seen[0].HasHeader("Proxy-Authorization"));
  EXPECT_EQ(seen[1].method, "CONNECT");
  EXPECT_EQ(seen[2].target, plain.Url("/p"));
  EXPECT_EQ(seen[3].method, "CONNECT");
  EXPECT_EQ(plain.Requests().size(), 2u);
  EXPECT_EQ(secure.Requests().size(), 2u);
}

TEST(FetchRoutines, OnlyTheRequestObjectLetsAnUntrustedCertificateThrough) {
  HttpServer server(fixtures::SelfSignedIdentity());
  server.Route("/s", fixtures::RespondText("secure"));
  const Text url(server.Url("/s"));
  int status = 0;
  EXPECT_EQ(WinHttpFetch({.url = url, .returnedStatus = &status}), Bytes("secure"));
  EXPECT_EQ(status, 200);

  Text returnedHeaders;
  EXPECT_EQ(WinInetFetch({.url = url, .returnedHeaders = &returnedHeaders}), Bytes());
  EXPECT_EQ(returnedHeaders, BlankText(5000));  // the header query had nothing to give
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(FetchRoutines, ASilentServerIsBoundedByTheTimeout) {
  fixtures::SilentServer silent;
  Text returnedHeaders("before");
  int status = -1;
  Bytes body = WinHttpFetch({.url = Text(silent.Url("http", "/never")),
                             .returnedHeaders = &returnedHeaders,
                             .returnedStatus = &status,
                             .timeoutSeconds = 1});
  EXPECT_EQ(body, Bytes());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(returnedHeaders, Text(""));
  EXPECT_EQ(silent.ConnectionCount(), 1);
}

TEST(FetchRoutines, ResponseHeadersBeyondFiveThousandBytes) {
  HttpServer server;
  ScriptedResponse response;
  response.headerLines = {"X-Filler: " + std::string(5200, 'f'), "Set-Cookie: big=1"};
  response.body = "all of it";
  server.Route("/big", fixtures::RespondWith(response));
  const Text url(server.Url("/big"));

  Text httpHeaders, httpCookies;
  WinHttpFetch({.url = url, .returnedCookies = &httpCookies, .returnedHeaders = &httpHeaders});
  EXPECT_EQ(httpHeaders.Length(), 5200 + 10 + 2 + 19 + 19 + 2);
  EXPECT_EQ(httpCookies, Text("big=1"));

  Text inetHeaders, inetCookies;
  EXPECT_EQ(
      WinInetFetch({.url = url, .returnedCookies = &inetCookies, .returnedHeaders = &inetHeaders}),
      Bytes("all of it"));
  EXPECT_EQ(inetHeaders, BlankText(5000));
  EXPECT_EQ(inetCookies, Text(""));
}

TEST(FetchRoutines, AFortyMegabyteBodyThroughWinInetFetch) {
  HttpServer server;
  ScriptedResponse big;
  big.sharedBody = std::make_shared<const std::string>(PatternBody(40 * 1024 * 1024));
  server.Route("/big", fixtures::RespondWith(big));
  Bytes body = WinInetFetch({.url = Text(server.Url("/big"))});
  ASSERT_EQ(body.Length(), 40 * 1024 * 1024);
  EXPECT_TRUE(body.View() == *big.sharedBody);
}

TEST(FetchRoutines, HeaderLinesThatWouldBreakTheirLineAreRefused) {
  HttpServer server;
  server.RouteEverythingElse(fixtures::RespondText("ok"));
  const Text url(server.Url("/h"));
  // The routine splits at CR LF only, so a lone CR or LF stays inside a line.
  Text httpHeaders("X-Bad: a\rInjected: 1\r\nX-Good: yes");
  int status = 0;
  WinHttpFetch({.url = url, .headers = &httpHeaders, .returnedStatus = &status});
  EXPECT_EQ(status, 200);  // the request went out without the refused line
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_FALSE(server.Requests()[0].HasHeader("X-Bad"));
  EXPECT_FALSE(server.Requests()[0].HasHeader("Injected"));
  EXPECT_EQ(server.Requests()[0].HeaderValue("X-Good"), "yes");

  Text inetHeaders("X-Bad: a\nInjected: 1");
  EXPECT_EQ(WinInetFetch({.url = url, .headers = &inetHeaders}), Bytes());
  EXPECT_EQ(server.Requests().size(), 1u);  // the whole block was refused
}

}  // namespace
}  // namespace ow
