// The second request's routine over the system's internet handles, against status-page servers
// that fail: nothing listening, a cut-off body, a flood, heads around the 5000-byte buffer, broken
// status lines, redirects that loop or lead nowhere, and TLS that cannot be trusted. The stalls
// take the backend's fixed 30 to 60 seconds and are measured by slow_faults_test.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "faults/fault_harness.h"
#include "faults/raw_server.h"
#include "fixtures/test_servers.h"
#include "http/win_inet_fetch.h"

namespace ow::faults {
namespace {

using std::chrono::seconds;

struct FetchResult {
  Bytes body;
  Text headers;
  std::chrono::milliseconds took{0};
};

FetchResult Fetch(const std::string& url) {
  FetchResult result;
  Stopwatch stopwatch;
  result.body = WinInetFetch({.url = Text(url), .returnedHeaders = &result.headers});
  result.took = stopwatch.Elapsed();
  return result;
}

std::string Outcome(const FetchResult& result) {
  if (result.body.Empty()) return "empty body";
  return "body " + Describe(result.body.View());
}

TEST(InternetHandleFaults, APortWhereNothingListensGivesAnEmptyBodyAtOnce) {
  ClosedPort closed;
  FetchResult result = Fetch("http://" + closed.Authority() + "/status");
  EXPECT_TRUE(result.body.Empty());
  EXPECT_LT(result.took, seconds(1));
  RecordOutcome("internet handles", "port closed", Outcome(result), result.took);
}

TEST(InternetHandleFaults, AnswersCutShortOrMalformedGiveAnEmptyOrAWholeBody) {
  struct BrokenAnswer {
    const char* fault;
    std::string bytes;
    std::string wholeBody;  // what the body is when the answer is taken at all
  };
  const std::vector<BrokenAnswer> answers = {
      {"closes without answering", "", ""},
      {"closes mid-body",
       ResponseHead("HTTP/1.1 200 OK", {"Content-Length: 1000"}) + "\"currentStatus\":\"S1\"", ""},
      {"closes mid-chunk",
       ResponseHead("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}) + "400\r\npartial", ""},
      {"status line: not HTTP", "garbage\r\n\r\nbody", "body"},
      {"status line: empty", "\r\n\r\n", ""},
      {"status line: letters for a code", ResponseHead("HTTP/1.1 abc OK", {}) + "body", "body"},
      {"status line: code of 12 digits", ResponseHead("HTTP/1.1 200200200200 OK", {}) + "body",
       "body"},
      {"status line: HTTP/9.9", ResponseHead("HTTP/9.9 200 OK", {}) + "body", "body"},
      {"redirect without a Location", ResponseHead("HTTP/1.1 302 Found", {}) + "body", "body"},
      {"redirect to an address that is not one",
       ResponseHead("HTTP/1.1 302 Found", {"Location: ht!tp://[::zz/x"}) + "body", "body"},
  };
  for (const BrokenAnswer& answer : answers) {
    SCOPED_TRACE(answer.fault);
    RawServer server(AnswerRaw(answer.bytes));
    FetchResult result = Fetch(server.Url("/status"));
    if (!result.body.Empty()) {
      EXPECT_EQ(result.body.View(), answer.wholeBody);
    }
    EXPECT_LT(result.took, seconds(1));
    RecordOutcome("internet handles", answer.fault, Outcome(result), result.took);
  }
}

TEST(InternetHandleFaults, AHundredMegabyteBodyComesBackWhole) {
  constexpr std::size_t kSize = 100u << 20;
  RawServer server(AnswerHugeBody(kSize, 'x'));
  FetchResult result = Fetch(server.Url("/status"));
  EXPECT_EQ(result.body.View().size(), kSize);
  EXPECT_EQ(result.body.View().find_first_not_of('x'), std::string_view::npos);
  RecordOutcome("internet handles", "100 MB body", Outcome(result), result.took);
}

// The routine reads the head into a buffer of 5000 bytes that must hold its NUL as well: a head
// of 4999 bytes fits, one of 5000 does not and leaves the 5000 spaces the buffer was filled
// with. The body comes back whole whatever the head's size.
TEST(InternetHandleFaults, HeadsAroundTheBufferSizeNeverCostTheBody) {
  auto headOfSize = [](std::size_t size) {
    std::string head =
        ResponseHead("HTTP/1.1 200 OK", {"Set-Cookie: a=1", "Content-Length: 4", "X-Fill: "});
    head.insert(head.size() - 4, size - head.size(), 'f');
    return head;
  };
  const std::string spaces(5000, ' ');
  for (std::size_t size : {4999u, 5000u, 5001u, 64u << 10}) {
    SCOPED_TRACE(size);
    const std::string head = headOfSize(size);
    RawServer server(AnswerRaw(head + "page"));
    FetchResult result = Fetch(server.Url("/status"));
    EXPECT_EQ(result.body.View(), "page");
    if (size < 5000) {
      EXPECT_EQ(result.headers.View(), head);
    } else {
      EXPECT_EQ(result.headers.View(), spaces);
    }
    RecordOutcome("internet handles", "response head of " + std::to_string(size) + " bytes",
                  Outcome(result) + (size < 5000 ? ", head returned" : ", head: 5000 spaces"),
                  result.took);
  }
}

TEST(InternetHandleFaults, AMegabyteOfHeadGivesAWholeBodyOrNone) {
  std::string head = ResponseHead("HTTP/1.1 200 OK", {"Content-Length: 4"});
  head.erase(head.size() - 2);
  while (head.size() < (1u << 20)) head += "X-Fill: " + std::string(90, 'f') + "\r\n";
  head += "\r\n";
  RawServer server(AnswerRaw(head + "page"));
  FetchResult result = Fetch(server.Url("/status"));
  if (!result.body.Empty()) {
    EXPECT_EQ(result.body.View(), "page");
  }
  EXPECT_LT(result.took, seconds(2));
  RecordOutcome("internet handles", "1 MB response head", Outcome(result), result.took);
}

TEST(InternetHandleFaults, ARedirectLoopEndsAfterTenRedirects) {
  fixtures::HttpServer pages;
  pages.Route("/a", fixtures::RedirectTo(pages.Url("/b")));
  pages.Route("/b", fixtures::RedirectTo(pages.Url("/a")));
  FetchResult result = Fetch(pages.Url("/a"));
  EXPECT_TRUE(result.body.Empty());
  EXPECT_EQ(pages.Requests().size(), 11u);
  RecordOutcome("internet handles", "redirect loop", Outcome(result), result.took);
}

TEST(InternetHandleFaults, ARedirectToAClosedPortGivesAnEmptyBody) {
  ClosedPort closed;
  fixtures::HttpServer pages;
  pages.Route("/a", fixtures::RedirectTo("http://" + closed.Authority() + "/status"));
  FetchResult result = Fetch(pages.Url("/a"));
  EXPECT_TRUE(result.body.Empty());
  RecordOutcome("internet handles", "redirect to a closed port", Outcome(result), result.took);
}

// Certificates are checked on this request, so every handshake that fails or cannot be trusted
// ends it with nothing, at once.
TEST(InternetHandleFaults, AFailedOrUntrustedHandshakeGivesAnEmptyBody) {
  struct Handshake {
    const char* fault;
    std::optional<fixtures::TlsIdentity> identity;  // none: the server answers in plain text
  };
  const std::vector<Handshake> handshakes = {
      {"TLS: server answers in plain text", std::nullopt},
      {"TLS: self-signed certificate", fixtures::SelfSignedIdentity()},
      {"TLS: expired certificate", fixtures::ExpiredIdentity()},
      {"TLS: certificate for another name", fixtures::WrongNameIdentity()},
  };
  for (const Handshake& handshake : handshakes) {
    SCOPED_TRACE(handshake.fault);
    std::unique_ptr<RawServer> plain;
    std::unique_ptr<fixtures::HttpServer> tls;
    std::string url;
    if (handshake.identity) {
      tls = std::make_unique<fixtures::HttpServer>(*handshake.identity);
      tls->RouteEverythingElse(fixtures::RespondText("page"));
      url = tls->Url("/status");
    } else {
      // Spoken at once, in answer to the client's first handshake message.
      plain = std::make_unique<RawServer>(
          [](RawConnection& connection) { connection.Send("HTTP/1.1 400 Bad Request\r\n\r\n"); });
      url = "https://" + plain->Authority() + "/status";
    }
    FetchResult result = Fetch(url);
    EXPECT_TRUE(result.body.Empty());
    EXPECT_LT(result.took, seconds(1));
    RecordOutcome("internet handles", handshake.fault, Outcome(result), result.took);
  }
}

}  // namespace
}  // namespace ow::faults
