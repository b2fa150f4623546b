// The libcurl request object against real local servers, call by call as the routine uses it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fixtures/test_servers.h"
#include "http/request_object.h"
#include "integration_support.h"

namespace ow {
namespace {

using fixtures::HttpServer;
using fixtures::RecordedRequest;
using fixtures::ScriptedResponse;

std::shared_ptr<RequestObject> NewObject() {
  auto object = SystemRequestPlatform().CreateRequestObject();
  EXPECT_NE(object, nullptr);
  return object;
}

TEST(RequestObjectCurl, SendsExactlyTheCallersLinesAndHost) {
  HttpServer server;
  server.Route("/view", fixtures::RespondText("ok"));
  auto object = NewObject();
  object->Open("GET", Text(server.Url("/view?a=1")), false);
  object->SetRequestHeader("Accept", "*/*");
  object->SetRequestHeader("Referer", "http://example.test/");
  object->SetRequestHeader("User-Agent", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
  object->Send(Text(""));

  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].head,
            "GET /view?a=1 HTTP/1.1\r\n"
            "Host: " +
                HostOf(server) +
                "\r\n"
                "Accept: */*\r\n"
                "Referer: http://example.test/\r\n"
                "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
                "\r\n");
  EXPECT_EQ(object->Status(), 200);
}

TEST(RequestObjectCurl, AddsNoLineOfItsOwnEvenForABodyOrAProxy) {
  HttpServer server;
  server.Route("/post", fixtures::RespondText("ok"));
  fixtures::ForwardProxy proxy;
  auto object = NewObject();
  object->SetProxy(kProxySettingProxy, Text(proxy.Address()));
  object->Open("POST", Text(server.Url("/post")), false);
  object->Send(Bytes(std::string(2 * 1024 * 1024, 'x')));  // large enough for an Expect line

  ASSERT_TRUE(proxy.WaitForRequests(1));
  EXPECT_EQ(proxy.Requests()[0].head, "POST " + server.Url("/post") + " HTTP/1.1\r\nHost: " +
                                          HostOf(server) + "\r\nContent-Length: 2097152\r\n\r\n");
  EXPECT_EQ(object->Status(), 200);
}

TEST(RequestObjectCurl, HeaderRulesOfTheObject) {
  HttpServer server;
  server.Route("/h", fixtures::RespondText("ok"));
  auto object = NewObject();
  object->SetRequestHeader("X-Before-Open", "lost");  // refused: no request is open yet
  object->Open("GET", Text(server.Url("/h")), false);
  object->SetRequestHeader("Accept", "text/html");
  object->SetRequestHeader("X-Replaced", "first");
  object->SetRequestHeader("x-replaced", "second");  // the same name in another case replaces
  object->SetRequestHeader("X-Removed", "soon");
  object->SetRequestHeader("X-Removed", "");  // an empty value removes
  object->SetRequestHeader("Host", "store.example");
  object->SetRequestHeader("X-Injected", "a\r\nX-Evil: 1");
  object->SetRequestHeader("X-Bare-Lf", "a\nb");
  object->SetRequestHeader("X-Evil\r\nX-Name", "v");
  object->SetRequestHeader("", "");
  object->SetRequestHeader("Bad Name", "v");
  object->SetRequestHeader("Content-Type", "application/json");
  object->Send(Text("{}"));

  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].head,
            "GET /h HTTP/1.1\r\n"
            "Host: store.example\r\n"  // the caller's Host takes the place of the usual one
            "Accept: text/html\r\n"
            "x-replaced: second\r\n"
            "Content-Type: application/json\r\n"
            "Content-Length: 2\r\n"
            "\r\n");
  EXPECT_EQ(server.Requests()[0].body, "{}");
}

TEST(RequestObjectCurl, OpenStartsAFreshRequest) {
  HttpServer server;
  server.Route("/a", fixtures::RespondText("a"));
  server.Route("/b", fixtures::RespondText("b", 404));
  auto object = NewObject();
  object->Open("GET", Text(server.Url("/a")), false);
  object->SetRequestHeader("X-First", "1");
  object->Send(Text());
  EXPECT_EQ(object->ResponseBody(), Bytes("a"));

  object->Open("GET", Text(server.Url("/b")), false);
  EXPECT_EQ(object->Status(), 0);  // the earlier response is gone
  object->Send(Text());
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_FALSE(server.Requests()[1].HasHeader("X-First"));
  EXPECT_EQ(object->Status(), 404);  // an error status is a response like any other
  EXPECT_EQ(object->ResponseBody(), Bytes("b"));
}

TEST(RequestObjectCurl, ResponseHeaderTextIsTheRawLinesWithAFinalEmptyLine) {
  HttpServer server;
  ScriptedResponse response;
  response.headerLines = {"Content-Type: text/plain", "set-cookie: a=1; Path=/",
                          "X-Spaced:   wide  ", "Content-Encoding: gzip"};
  response.body = std::string("\x1f\x8b not really gzip \0 with a zero", 30);
  server.Route("/r", fixtures::RespondWith(response));
  auto object = NewObject();
  object->Open("GET", Text(server.Url("/r")), false);
  object->Send(Text());

  EXPECT_EQ(object->GetAllResponseHeaders(),
            Text("Content-Type: text/plain\r\nset-cookie: a=1; Path=/\r\nX-Spaced:   wide  \r\n"
                 "Content-Encoding: gzip\r\nContent-Length: 30\r\n\r\n"));
  EXPECT_EQ(object->ResponseBody(), Bytes(response.body));  // passed through, never decoded
}

TEST(RequestObjectCurl, FollowsRedirectsUnlessSwitchedOff) {
  HttpServer server;
  server.Route("/start", fixtures::RedirectTo("/middle", 302, {"Set-Cookie: hop=1"}));
  server.Route("/middle", fixtures::RedirectTo(server.Url("/end"), 301));
  server.Route("/end", fixtures::RespondText("arrived"));

  auto following = NewObject();
  following->Open("GET", Text(server.Url("/start")), false);
  following->SetRequestHeader("X-Kept", "on every hop");
  following->Send(Text());
  EXPECT_EQ(following->Status(), 200);
  EXPECT_EQ(following->ResponseBody(), Bytes("arrived"));
  EXPECT_EQ(following->GetAllResponseHeaders(),
            Text("Content-Type: text/plain; charset=utf-8\r\nContent-Length: 7\r\n\r\n"));
  ASSERT_EQ(server.Requests().size(), 3u);
  EXPECT_EQ(server.Requests()[2].HeaderValue("X-Kept"), "on every hop");

  auto seeing = NewObject();
  seeing->Open("GET", Text(server.Url("/start")), false);
  seeing->PutOption(kOptionEnableRedirects, 0);
  seeing->Send(Text());
  EXPECT_EQ(seeing->Status(), 302);
  EXPECT_EQ(seeing->GetAllResponseHeaders(),
            Text("Location: /middle\r\nSet-Cookie: hop=1\r\nContent-Length: 5\r\n\r\n"));
  EXPECT_EQ(seeing->ResponseBody(), Bytes("moved"));
  EXPECT_EQ(server.Requests().size(), 4u);
}

TEST(RequestObjectCurl, RedirectLimitsAndMethodChanges) {
  HttpServer server;
  server.Route("/loop", fixtures::RedirectTo("/loop"));
  server.Route("/post", fixtures::RedirectTo("/landing", 302));
  server.Route("/keep", fixtures::RedirectTo("/landing", 307));
  server.Route("/landing", fixtures::RespondText("landed"));

  auto looping = NewObject();
  looping->Open("GET", Text(server.Url("/loop")), false);
  looping->Send(Text());
  EXPECT_EQ(looping->Status(), 0);  // too many redirects is a failed request
  EXPECT_EQ(looping->GetAllResponseHeaders(), Text(""));
  EXPECT_EQ(server.Requests().size(), 11u);  // the first request and ten redirects

  auto posting = NewObject();
  posting->Open("POST", Text(server.Url("/post")), false);
  posting->Send(Text("a=1"));
  posting->Open("POST", Text(server.Url("/keep")), false);
  posting->Send(Text("b=2"));
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 15u);
  EXPECT_EQ(requests[12].method, "GET");  // 302 turns a POST into a GET without body
  EXPECT_EQ(requests[12].body, "");
  EXPECT_EQ(requests[14].method, "POST");  // 307 keeps both
  EXPECT_EQ(requests[14].body, "b=2");
}

TEST(RequestObjectCurl, NeverFollowsFromHttpsToHttp) {
  HttpServer plain;
  plain.Route("/page", fixtures::RespondText("plain"));
  HttpServer secure(fixtures::LocalhostIdentity());
  secure.Route("/go", fixtures::RedirectTo(plain.Url("/page")));
  auto object = NewObject();
  object->Open("GET", Text(secure.Url("/go")), false);
  object->Send(Text());
  EXPECT_EQ(object->Status(), 302);
  EXPECT_TRUE(plain.Requests().empty());
}

TEST(RequestObjectCurl, MethodsAndBodies) {
  HttpServer server;
  server.RouteEverythingElse(fixtures::RespondText("body"));
  struct Case {
    const char* method;
    std::string body;
    const char* expectedLength;  // nullptr: no Content-Length line
  } cases[] = {{"GET", "", nullptr},
               {"POST", "", "0"},
               {"PUT", "", "0"},
               {"DELETE", "", nullptr},
               {"DELETE", "a", "1"},
               {"OPTIONS", "", nullptr},
               {"POST", std::string("\0\x01\xff", 3), "3"}};
  for (const Case& c : cases) {
    auto object = NewObject();
    object->Open(c.method, Text(server.Url("/m")), false);
    object->Send(Bytes(c.body));
    RecordedRequest recorded = server.Requests().back();
    SCOPED_TRACE(std::string(c.method) + " with " + std::to_string(c.body.size()) + " bytes");
    EXPECT_EQ(recorded.method, c.method);
    EXPECT_EQ(recorded.body, c.body);
    EXPECT_EQ(recorded.HasHeader("Content-Length"), c.expectedLength != nullptr);
    if (c.expectedLength) {
      EXPECT_EQ(recorded.HeaderValue("Content-Length"), c.expectedLength);
    }
    EXPECT_FALSE(recorded.HasHeader("Content-Type"));
  }

  auto head = NewObject();
  head->Open("HEAD", Text(server.Url("/m")), false);
  head->Send(Text());
  EXPECT_EQ(head->Status(), 200);
  EXPECT_EQ(head->ResponseBody(), Bytes());
}

TEST(RequestObjectCurl, EscapesTheAddressLikeThePlatform) {
  HttpServer server;
  server.RouteEverythingElse(fixtures::RespondText("ok"));
  auto object = NewObject();
  // Code page 936 bytes of a Chinese word, a space, a percent sign, a tab and a fragment.
  object->Open("GET", Text(server.Url("/go/\xb6\xa9\xb5\xa5 a/100%25/x\ty?q=a b|c#frag")), false);
  object->Send(Text());
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].target, "/go/%B6%A9%B5%A5%20a/100%25/x%09y?q=a%20b%7Cc");
}

TEST(RequestObjectCurl, AnInvalidAddressMakesSendDoNothing) {
  for (const char* url : {"", "not a url", "ftp://127.0.0.1/x", "http://", "http:///path"}) {
    auto object = NewObject();
    object->Open("GET", url, false);
    object->SetRequestHeader("Accept", "*/*");
    object->Send(Text());
    SCOPED_TRACE(url);
    EXPECT_EQ(object->Status(), 0);
    EXPECT_EQ(object->GetAllResponseHeaders(), Text(""));
    EXPECT_EQ(object->ResponseBody(), Bytes());
  }
}

TEST(RequestObjectCurl, CertificateErrorsAreIgnoredOnlyByTheClassesAsked) {
  struct Case {
    const char* name;
    fixtures::TlsIdentity identity;
    int ignoreFlags;
    bool accepted;
  } cases[] = {
      {"trusted CA", fixtures::LocalhostIdentity(), 0, true},
      {"self-signed", fixtures::SelfSignedIdentity(), 0, false},
      {"self-signed, unknown CA ignored", fixtures::SelfSignedIdentity(), 0x0100, true},
      {"self-signed, all ignored", fixtures::SelfSignedIdentity(), kSslErrorIgnoreAll, true},
      {"wrong name", fixtures::WrongNameIdentity(), 0x0100, false},
      {"wrong name, name ignored", fixtures::WrongNameIdentity(), 0x1000, true},
      {"expired", fixtures::ExpiredIdentity(), 0x0100, false},
      {"expired, dates ignored", fixtures::ExpiredIdentity(), 0x2000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HttpServer server(c.identity);
    server.Route("/tls", fixtures::RespondText("secret"));
    auto object = NewObject();
    object->Open("GET", Text(server.Url("/tls")), false);
    if (c.ignoreFlags) object->PutOption(kOptionSslErrorIgnoreFlags, c.ignoreFlags);
    object->Send(Text());
    EXPECT_EQ(object->Status(), c.accepted ? 200 : 0);
    EXPECT_EQ(object->ResponseBody(), c.accepted ? Bytes("secret") : Bytes());
    EXPECT_EQ(server.Requests().size(), c.accepted ? 1u : 0u);
  }
}

TEST(RequestObjectCurl, LenientCertificateChecksDoNotCarryOverToTheNextRequest) {
  HttpServer server(fixtures::SelfSignedIdentity());
  server.Route("/tls", fixtures::RespondText("secret"));
  auto object = NewObject();
  object->Open("GET", Text(server.Url("/tls")), false);
  object->PutOption(kOptionSslErrorIgnoreFlags, kSslErrorIgnoreAll);
  object->Send(Text());
  ASSERT_EQ(object->Status(), 200);
  object->PutOption(kOptionSslErrorIgnoreFlags, 0);
  object->Open("GET", Text(server.Url("/tls")), false);
  object->Send(Text());
  EXPECT_EQ(object->Status(), 0);
}

TEST(RequestObjectCurl, ProxyGetsTheProxyLinesAndTheServerDoesNot) {
  HttpServer plain;
  plain.Route("/p", fixtures::RespondText("via proxy"));
  HttpServer secure(fixtures::LocalhostIdentity());
  secure.Route("/s", fixtures::RespondText("via tunnel"));
  fixtures::ForwardProxy proxy;
  proxy.RequireAuthorization("Basic dXNlcjpwYXNz");

  for (HttpServer* server : {&plain, &secure}) {
    auto object = NewObject();
    object->SetProxy(kProxySettingProxy, Text(proxy.Address()));
    object->Open("GET", Text(server->Url(server == &plain ? "/p" : "/s")), false);
    object->SetRequestHeader("Proxy-Authorization", "Basic dXNlcjpwYXNz");
    object->SetRequestHeader("Accept", "*/*");
    object->Send(Text());
    EXPECT_EQ(object->Status(), 200);
  }
  auto seen = proxy.Requests();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].target, plain.Url("/p"));
  EXPECT_EQ(seen[0].HeaderValue("Accept"), "*/*");
  EXPECT_EQ(seen[1].head, "CONNECT 127.0.0.1:" + std::to_string(secure.Port()) +
                              " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(secure.Port()) +
                              "\r\nProxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\n");
  EXPECT_FALSE(plain.Requests()[0].HasHeader("Proxy-Authorization"));
  EXPECT_FALSE(secure.Requests()[0].HasHeader("Proxy-Authorization"));
  EXPECT_EQ(secure.Requests()[0].HeaderValue("Accept"), "*/*");
}

TEST(RequestObjectCurl, ProxyListEntriesServeTheirScheme) {
  HttpServer plain;
  plain.Route("/p", fixtures::RespondText("ok"));
  fixtures::ForwardProxy proxy;
  auto object = NewObject();
  object->SetProxy(kProxySettingProxy, Text("https=127.0.0.1:1;http=" + proxy.Address()));
  object->Open("GET", Text(plain.Url("/p")), false);
  object->Send(Text());
  EXPECT_EQ(object->Status(), 200);
  EXPECT_EQ(proxy.Requests().size(), 1u);
}

TEST(RequestObjectCurl, IgnoresProxiesFromTheEnvironment) {
  HttpServer server;
  server.Route("/direct", fixtures::RespondText("direct"));
  fixtures::SilentServer trap;
  std::string trapAddress = "http://127.0.0.1:" + std::to_string(trap.Port());
  for (const char* name : {"http_proxy", "HTTPS_PROXY", "ALL_PROXY"}) {
    ::setenv(name, trapAddress.c_str(), 1);
  }
  auto object = NewObject();
  object->SetTimeouts(2000, 2000, 2000, 2000);
  object->Open("GET", Text(server.Url("/direct")), false);
  object->Send(Text());
  for (const char* name : {"http_proxy", "HTTPS_PROXY", "ALL_PROXY"}) ::unsetenv(name);
  EXPECT_EQ(object->Status(), 200);
  EXPECT_EQ(trap.ConnectionCount(), 0);
}

TEST(RequestObjectCurl, ASilentServerCannotHoldTheCallBeyondTheTimeouts) {
  fixtures::SilentServer silent;
  for (const char* scheme : {"http", "https"}) {
    SCOPED_TRACE(scheme);
    auto object = NewObject();
    object->SetTimeouts(1000, 1000, 1000, 1000);
    object->Open("GET", Text(silent.Url(scheme, "/never")), false);
    object->PutOption(kOptionSslErrorIgnoreFlags, kSslErrorIgnoreAll);
    object->Send(Text());
    EXPECT_EQ(object->Status(), 0);
    EXPECT_EQ(object->GetAllResponseHeaders(), Text(""));
  }
  EXPECT_EQ(silent.ConnectionCount(), 2);
}

TEST(RequestObjectCurl, LargeHeadersAndLargeBodies) {
  HttpServer server;
  ScriptedResponse bigHeaders;
  bigHeaders.headerLines = {"X-Filler: " + std::string(6000, 'f'), "Set-Cookie: big=1"};
  server.Route("/headers", fixtures::RespondWith(bigHeaders));
  ScriptedResponse bigBody;
  bigBody.sharedBody = std::make_shared<const std::string>(PatternBody(40 * 1024 * 1024));
  server.Route("/body", fixtures::RespondWith(bigBody));

  auto object = NewObject();
  object->Open("GET", Text(server.Url("/headers")), false);
  object->Send(Text());
  EXPECT_EQ(object->GetAllResponseHeaders(),
            Text(bigHeaders.headerLines[0] + "\r\nSet-Cookie: big=1\r\nContent-Length: 0\r\n\r\n"));

  object->Open("GET", Text(server.Url("/body")), false);
  object->Send(Text());
  Bytes body = object->ResponseBody();
  ASSERT_EQ(body.Length(), 40 * 1024 * 1024);
  EXPECT_TRUE(body.View() == *bigBody.sharedBody);
}

}  // namespace
}  // namespace ow
