// The first request's routine over the system's request object, against servers that fail in
// every way the store might: nothing listening, silence, a stall halfway, a cut-off body, a
// flood, oversized or broken heads. Each call must come back within the timeouts it set, with
// either a whole answer or nothing at all.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "faults/fault_harness.h"
#include "faults/raw_server.h"
#include "http/win_http_fetch.h"

namespace ow::faults {
namespace {

using namespace std::string_literals;
using std::chrono::milliseconds;
using std::chrono::seconds;

// The routine's timeouts are set to one second here. They bound the phases the way the request
// object counts them: resolving plus connecting (the TLS handshake included), sending plus
// waiting for the answer, and each silence once the answer has begun. The backend looks at its
// clock about once a second, hence the slack.
constexpr int kTimeoutSeconds = 1;
constexpr milliseconds kSlack{2000};

struct FetchResult {
  Bytes body;
  Text headers;
  int status = -1;
  milliseconds took{0};
};

FetchResult Fetch(const std::string& url) {
  FetchResult result;
  Text headers;
  Stopwatch stopwatch;
  result.body = WinHttpFetch({.url = Text(url),
                              .headers = &headers,
                              .returnedHeaders = &result.headers,
                              .returnedStatus = &result.status,
                              .noRedirect = true,
                              .timeoutSeconds = kTimeoutSeconds});
  result.took = stopwatch.Elapsed();
  return result;
}

std::string Outcome(const FetchResult& result) {
  if (result.status == 0 && result.body.Empty() && result.headers.Empty()) return "nothing";
  return "status " + std::to_string(result.status) + ", body " + Describe(result.body.View());
}

void ExpectNothing(const FetchResult& result) {
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(result.body.Empty()) << Describe(result.body.View());
  EXPECT_TRUE(result.headers.Empty()) << Describe(result.headers.View());
}

TEST(RequestObjectFaults, APortWhereNothingListensGivesNothingAtOnce) {
  ClosedPort closed;
  FetchResult result = Fetch("https://" + closed.Authority() + "/go/cn/vieworder/1/a");
  ExpectNothing(result);
  EXPECT_LT(result.took, seconds(1));
  RecordOutcome("request object", "port closed", Outcome(result), result.took);
}

struct Stall {
  const char* fault;
  ConnectionScript script;
  bool tls;    // the server completes a TLS handshake before the script runs
  bool https;  // the address asks for TLS
  milliseconds bound;
};

TEST(RequestObjectFaults, EveryStallEndsWithinTheTimeoutsThatWereSet) {
  const milliseconds phase = seconds(kTimeoutSeconds);
  const std::string headThenPartialBody =
      ResponseHead("HTTP/1.1 302 Found",
                   {"Location: http://127.0.0.1:1/next", "Content-Length: 100"}) +
      "0123456789";
  const std::vector<Stall> stalls = {
      {"accepts, never answers", NeverAnswer(), false, false, 2 * phase},
      {"accepts, never answers the TLS handshake", NeverAnswer(), false, true, 2 * phase},
      {"TLS handshake, then silence", NeverAnswer(), true, true, 2 * phase},
      // Only whole lines tell the backend that the answer has begun.
      {"half a status line, then silence", AnswerThenStall("HTTP/1.1 30"), false, false, 2 * phase},
      {"headers, then the body stalls", AnswerThenStall(headThenPartialBody), false, false, phase},
      {"headers over TLS, then the body stalls", AnswerThenStall(headThenPartialBody), true, true,
       phase},
  };
  for (const Stall& stall : stalls) {
    SCOPED_TRACE(stall.fault);
    RawServer server(stall.script,
                     stall.tls ? std::optional(fixtures::LocalhostIdentity()) : std::nullopt);
    std::string url = (stall.https ? "https://" : "http://") + server.Authority() + "/order";
    FetchResult result = Fetch(url);
    ExpectNothing(result);
    EXPECT_LT(result.took, stall.bound + kSlack);
    RecordOutcome("request object", stall.fault, Outcome(result), result.took);
  }
}

struct BrokenAnswer {
  const char* fault;
  std::string bytes;  // sent after the request has been read; then the connection closes
};

// Answers that end too soon or are not HTTP at all. None may yield a status with a body that
// was not whole: the call either gives a complete response or nothing.
TEST(RequestObjectFaults, AnswersCutShortOrMalformedGiveNothingOrAWholeResponse) {
  const std::vector<BrokenAnswer> answers = {
      {"closes without answering", ""},
      {"closes mid-body", ResponseHead("HTTP/1.1 200 OK", {"Content-Length: 1000"}) + "partial"},
      {"closes mid-chunk",
       ResponseHead("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}) + "400\r\npartial"},

      {"status line: not HTTP", "garbage\r\n\r\nbody"},
      {"status line: empty", "\r\n\r\n"},
      {"status line: letters for a code", ResponseHead("HTTP/1.1 abc Found", {})},
      {"status line: code of 12 digits", ResponseHead("HTTP/1.1 302302302302 Found", {})},
      {"status line: negative code", ResponseHead("HTTP/1.1 -302 Found", {})},
      {"status line: HTTP/9.9", ResponseHead("HTTP/9.9 200 OK", {"Content-Length: 0"})},
      {"status line: NUL inside", "HTTP/1.1 200 O\0K\r\nContent-Length: 2\r\n\r\nok"s},
      {"header line without a colon",
       ResponseHead("HTTP/1.1 200 OK", {"no colon here", "Content-Length: 2"}) + "ok"},
      {"two Content-Lengths that disagree",
       ResponseHead("HTTP/1.1 200 OK", {"Content-Length: 2", "Content-Length: 5"}) + "ok"},
  };
  for (const BrokenAnswer& answer : answers) {
    SCOPED_TRACE(answer.fault);
    RawServer server(AnswerRaw(answer.bytes));
    FetchResult result = Fetch(server.Url("/order"));
    if (result.status == 0) {
      ExpectNothing(result);
    } else {
      EXPECT_GE(result.status, 100);
      EXPECT_LE(result.status, 999);
    }
    EXPECT_LT(result.took, seconds(1));
    RecordOutcome("request object", answer.fault, Outcome(result), result.took);
  }
}

// A head that never reaches its empty line is no response, even when its status line and some
// of its header lines are whole.
TEST(RequestObjectFaults, AHeadCutShortGivesNothing) {
  const std::vector<BrokenAnswer> cuts = {
      {"closes inside a header line", "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/x"},
      {"closes after a whole Location line",
       "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/x\r\n"},
  };
  for (const BrokenAnswer& cut : cuts) {
    SCOPED_TRACE(cut.fault);
    RawServer server(AnswerRaw(cut.bytes));
    FetchResult result = Fetch(server.Url("/order"));
    ExpectNothing(result);
    RecordOutcome("request object", cut.fault, Outcome(result), result.took);
  }
}

TEST(RequestObjectFaults, ABodyThatEndsWithTheConnectionComesBackWhole) {
  RawServer server(AnswerRaw(ResponseHead("HTTP/1.1 200 OK", {"Connection: close"}) + "whole"));
  FetchResult result = Fetch(server.Url("/order"));
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.body.View(), "whole");
  RecordOutcome("request object", "body ended by closing", Outcome(result), result.took);
}

TEST(RequestObjectFaults, AHundredMegabyteBodyComesBackWhole) {
  constexpr std::size_t kSize = 100u << 20;
  RawServer server(AnswerHugeBody(kSize, 'x'));
  FetchResult result = Fetch(server.Url("/order"));
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.body.View().size(), kSize);
  EXPECT_EQ(result.body.View().find_first_not_of('x'), std::string_view::npos);
  RecordOutcome("request object", "100 MB body", Outcome(result), result.took);
}

// A response head of exactly `size` bytes, counted from the status line to the empty line that
// ends it, with a Location line among its headers.
std::string HeadOfSize(std::size_t size, const std::string& location) {
  std::string head = ResponseHead("HTTP/1.1 302 Found",
                                  {"Location: " + location, "Content-Length: 0", "X-Fill: "});
  const std::size_t fill = size - head.size();
  head.insert(head.size() - 4, fill, 'f');
  return head;
}

TEST(RequestObjectFaults, LargeResponseHeadsComeBackWholeOrNotAtAll) {
  const std::string location = "http://127.0.0.1:9/status";
  for (std::size_t size : {4999u, 5000u, 5001u, 64u << 10}) {
    SCOPED_TRACE(size);
    RawServer server(AnswerRaw(HeadOfSize(size, location)));
    FetchResult result = Fetch(server.Url("/order"));
    EXPECT_EQ(result.status, 302);
    EXPECT_EQ(TextBetween(result.headers, "Location: ", "\r\n").View(), location);
    RecordOutcome("request object", "response head of " + std::to_string(size) + " bytes",
                  Outcome(result), result.took);
  }

  // A megabyte of head, as one line and as many: more than any sane server sends. Refusing it
  // is as good as taking it, as long as nothing half-read comes back.
  std::string manyLines = ResponseHead("HTTP/1.1 302 Found", {"Location: " + location});
  manyLines.erase(manyLines.size() - 2);
  while (manyLines.size() < (1u << 20)) manyLines += "X-Fill: " + std::string(90, 'f') + "\r\n";
  manyLines += "Content-Length: 0\r\n\r\n";
  for (const auto& [fault, head] :
       {std::pair<std::string, std::string>{"1 MB response head, one line",
                                            HeadOfSize(1u << 20, location)},
        std::pair<std::string, std::string>{"1 MB response head, many lines", manyLines}}) {
    SCOPED_TRACE(fault);
    RawServer server(AnswerRaw(head));
    FetchResult result = Fetch(server.Url("/order"));
    if (result.status == 0) {
      ExpectNothing(result);
    } else {
      EXPECT_EQ(result.status, 302);
      EXPECT_EQ(TextBetween(result.headers, "Location: ", "\r\n").View(), location);
    }
    RecordOutcome("request object", fault, Outcome(result), result.took);
  }
}

}  // namespace
}  // namespace ow::faults
