// The whole query against stores and status pages that fail. Whatever happens, the query writes
// the status line exactly once, and it shows either the right status or "---" and the time
// alone; no request it makes carries a header line that was smuggled into an address.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "faults/fault_harness.h"
#include "faults/raw_server.h"
#include "fixtures/test_servers.h"

namespace ow::faults {
namespace {

using std::chrono::seconds;
using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::Eq;

// The page the store's status pages look like, and the line it leads to.
constexpr const char* kPage =
    "<script>var d = {\"currentStatus\":\"SHIPPED\"};\n"
    "var t = {\"PLACED\" : \"已下单\",\"SHIPPED\" : \"已发货\",};</script>";
const std::string kShipped = StatusLine("已发货");

class QueryFaults : public ::testing::Test {
 protected:
  QueryFaults() {
    pages.RouteEverythingElse(fixtures::RespondText(kPage));
    StoreRedirectsTo(pages.Url("/orderstatus?order=W100001"));
  }

  void StoreRedirectsTo(const std::string& location) {
    store.RouteEverythingElse(fixtures::RedirectTo(location));
  }

  // Runs the query against `storeAuthority` (the fixture's store unless given), records the
  // outcome, and checks what every query must do whatever the fault.
  QueryOutcome Query(const std::string& fault, std::string storeAuthority = {}) {
    if (storeAuthority.empty()) storeAuthority = "127.0.0.1:" + std::to_string(store.Port());
    QueryOutcome outcome = RunQuery(storeAuthority);
    EXPECT_EQ(outcome.captions.size(), 1u) << fault;
    std::string shown = outcome.captions.empty() ? "no status line" : outcome.captions.back();
    RecordOutcome("query", fault,
                  shown == TimeAloneLine() ? "\"---\" and the time"
                  : shown == kShipped      ? "the right status"
                                           : "status line " + Describe(shown),
                  outcome.took);
    return outcome;
  }

  void ExpectNoInjectedLine(const std::vector<std::string>& heads) {
    for (const std::string& head : heads) EXPECT_FALSE(CarriesInjectedLine(head)) << head;
  }

  void TearDown() override {
    for (const auto* server : {&store, &pages}) {
      for (const auto& request : server->Requests()) {
        EXPECT_FALSE(CarriesInjectedLine(request.head)) << request.head;
      }
    }
  }

  fixtures::HttpServer store{fixtures::LocalhostIdentity()};
  fixtures::HttpServer pages;
};

// ---- The store itself -------------------------------------------------------------------------

TEST_F(QueryFaults, AStoreWhosePortIsClosedLeavesTheTimeAlone) {
  ClosedPort closed;
  QueryOutcome outcome = Query("store port closed", closed.Authority());
  EXPECT_THAT(outcome.captions, ElementsAre(TimeAloneLine()));
  EXPECT_LT(outcome.took, seconds(1));
}

TEST_F(QueryFaults, AStoreAnswerThatIsCutShortOrBrokenLeavesTheTimeAlone) {
  const std::string location = "Location: " + pages.Url("/orderstatus");
  const std::vector<std::pair<std::string, std::string>> answers = {
      {"store closes mid-body",
       ResponseHead("HTTP/1.1 302 Found", {location, "Content-Length: 100"}) + "cut"},
      {"store closes inside the head", "HTTP/1.1 302 Found\r\nLocat"},
      {"store closes inside the head, after a whole Location line",
       "HTTP/1.1 302 Found\r\n" + location + "\r\n"},
      {"store status line: letters for a code",
       ResponseHead("HTTP/1.1 abc Found", {location, "Content-Length: 0"})},
      {"store status line: not HTTP", "garbage\r\n" + location + "\r\n\r\n"},
  };
  for (const auto& [fault, bytes] : answers) {
    SCOPED_TRACE(fault);
    RawServer broken(AnswerRaw(bytes), fixtures::LocalhostIdentity());
    QueryOutcome outcome = Query(fault, broken.Authority());
    EXPECT_THAT(outcome.captions, ElementsAre(TimeAloneLine()));
    EXPECT_LT(outcome.took, seconds(2));
  }
}

TEST_F(QueryFaults, LargeStoreAnswersStillLeadToTheStatus) {
  const std::string location = "Location: " + pages.Url("/orderstatus");
  auto headOfSize = [&](std::size_t size) {
    std::string head =
        ResponseHead("HTTP/1.1 302 Found", {location, "Content-Length: 0", "X-Fill: "});
    head.insert(head.size() - 4, size - head.size(), 'f');
    return head;
  };
  for (std::size_t size : {4999u, 5000u, 5001u}) {
    SCOPED_TRACE(size);
    RawServer large(AnswerRaw(headOfSize(size)), fixtures::LocalhostIdentity());
    QueryOutcome outcome =
        Query("store head of " + std::to_string(size) + " bytes", large.Authority());
    EXPECT_THAT(outcome.captions, ElementsAre(kShipped));
  }

  // A redirect with a 100 MB body: the body is dropped, the target still counts.
  RawServer flood(
      [&](RawConnection& connection) {
        if (connection.ReadRequestHead().empty()) return;
        constexpr std::size_t kSize = 100u << 20;
        if (connection.Send(ResponseHead("HTTP/1.1 302 Found",
                                         {location, "Content-Length: " + std::to_string(kSize)}))) {
          connection.SendRepeated('x', kSize);
        }
      },
      fixtures::LocalhostIdentity());
  QueryOutcome outcome = Query("store sends 100 MB", flood.Authority());
  EXPECT_THAT(outcome.captions, ElementsAre(kShipped));
}

TEST_F(QueryFaults, AMegabyteOfStoreHeadDoesNoHarm) {
  std::string head = ResponseHead("HTTP/1.1 302 Found", {"Location: " + pages.Url("/s")});
  head.erase(head.size() - 2);
  while (head.size() < (1u << 20)) head += "X-Fill: " + std::string(90, 'f') + "\r\n";
  head += "Content-Length: 0\r\n\r\n";
  RawServer large(AnswerRaw(head), fixtures::LocalhostIdentity());
  QueryOutcome outcome = Query("store head of 1 MB", large.Authority());
  EXPECT_THAT(outcome.captions, ElementsAre(AnyOf(Eq(TimeAloneLine()), Eq(kShipped))));
}

// ---- The status page ----------------------------------------------------------------------------

TEST_F(QueryFaults, AStatusPageThatCannotBeHadLeavesTheTimeAlone) {
  ClosedPort closed;
  StoreRedirectsTo("http://" + closed.Authority() + "/orderstatus");
  EXPECT_THAT(Query("status page port closed").captions, ElementsAre(TimeAloneLine()));

  pages.Route("/a", fixtures::RedirectTo(pages.Url("/b")));
  pages.Route("/b", fixtures::RedirectTo(pages.Url("/a")));
  StoreRedirectsTo(pages.Url("/a"));
  EXPECT_THAT(Query("status page redirect loop").captions, ElementsAre(TimeAloneLine()));

  pages.Route("/away", fixtures::RedirectTo("http://" + closed.Authority() + "/orderstatus"));
  StoreRedirectsTo(pages.Url("/away"));
  EXPECT_THAT(Query("status page redirects to a closed port").captions,
              ElementsAre(TimeAloneLine()));

  RawServer plainText(
      [](RawConnection& connection) { connection.Send("HTTP/1.1 400 Bad Request\r\n\r\n"); });
  StoreRedirectsTo("https://" + plainText.Authority() + "/orderstatus");
  EXPECT_THAT(Query("status page TLS handshake fails").captions, ElementsAre(TimeAloneLine()));

  fixtures::HttpServer selfSigned(fixtures::SelfSignedIdentity());
  selfSigned.RouteEverythingElse(fixtures::RespondText(kPage));
  StoreRedirectsTo(selfSigned.Url("/orderstatus"));
  EXPECT_THAT(Query("status page certificate untrusted").captions, ElementsAre(TimeAloneLine()));
  EXPECT_TRUE(selfSigned.Requests().empty());
}

TEST_F(QueryFaults, AStatusPageCutShortShowsNothingWrong) {
  // The part that arrived holds the whole status; showing it, or nothing, are both right.
  RawServer cut(AnswerRaw(ResponseHead("HTTP/1.1 200 OK", {"Content-Length: 100000"}) + kPage));
  StoreRedirectsTo(cut.Url("/orderstatus"));
  EXPECT_THAT(Query("status page closes mid-body").captions,
              ElementsAre(AnyOf(Eq(TimeAloneLine()), Eq(kShipped))));

  RawServer broken(AnswerRaw(ResponseHead("HTTP/1.1 2x0 OK", {}) + kPage));
  StoreRedirectsTo(broken.Url("/orderstatus"));
  EXPECT_THAT(Query("status page status line malformed").captions,
              ElementsAre(AnyOf(Eq(TimeAloneLine()), Eq(kShipped))));
}

TEST_F(QueryFaults, LargeStatusPagesStillShowTheStatus) {
  std::string head =
      ResponseHead("HTTP/1.1 200 OK",
                   {"Content-Length: " + std::to_string(std::string(kPage).size()), "X-Fill: "});
  head.insert(head.size() - 4, 5001 - head.size(), 'f');
  RawServer largeHead(AnswerRaw(head + kPage));
  StoreRedirectsTo(largeHead.Url("/orderstatus"));
  EXPECT_THAT(Query("status page head of 5001 bytes").captions, ElementsAre(kShipped));

  // 100 MB of filler before the status.
  constexpr std::size_t kFiller = 100u << 20;
  RawServer flood([](RawConnection& connection) {
    if (connection.ReadRequestHead().empty()) return;
    const std::string page = kPage;
    if (connection.Send(ResponseHead(
            "HTTP/1.1 200 OK", {"Content-Length: " + std::to_string(kFiller + page.size())})) &&
        connection.SendRepeated(' ', kFiller)) {
      connection.Send(page);
    }
  });
  StoreRedirectsTo(flood.Url("/orderstatus"));
  EXPECT_THAT(Query("status page of 100 MB").captions, ElementsAre(kShipped));
}

TEST_F(QueryFaults, MalformedUtf8CostsOnlyTheBrokenCharacters) {
  // Stray, cut-off and overlong sequences around and inside the description: the status is
  // still found, and the description keeps every character that was whole.
  const std::string page =
      "\xff\xfe<p>\xc0\xaf{\"currentStatus\":\"SHIPPED\"}\xed\xa0\x80 "
      "{\"SHIPPED\" : \"已\xe5\x8f发货\",}\xf8\x88\x80\x80\x80";
  pages.RouteEverythingElse(fixtures::RespondText(page));
  QueryOutcome outcome = Query("status page of malformed UTF-8");
  ASSERT_EQ(outcome.captions.size(), 1u);
  const std::string& line = outcome.captions[0];
  const std::string yi = StatusLine("已").substr(0, 2);
  const std::string shipped = StatusLine("发货");
  EXPECT_EQ(line.substr(0, 2), yi);
  ASSERT_GE(line.size(), 2 + shipped.size());
  EXPECT_EQ(line.substr(line.size() - shipped.size()), shipped);
  for (char c : line) EXPECT_GE(static_cast<unsigned char>(c), 0x20);
}

TEST_F(QueryFaults, NulBytesEndThePageWhereTheyStand) {
  pages.RouteEverythingElse(fixtures::RespondText(std::string(1u << 20, '\0')));
  EXPECT_THAT(Query("status page of 1 MB of NUL bytes").captions, ElementsAre(TimeAloneLine()));

  pages.RouteEverythingElse(fixtures::RespondText(std::string(16, '\0') + kPage));
  EXPECT_THAT(Query("status page: NUL bytes, then the status").captions,
              ElementsAre(TimeAloneLine()));
}

// ---- The redirect target ------------------------------------------------------------------------

TEST_F(QueryFaults, ALocationWithSpacesIsFetchedEscaped) {
  StoreRedirectsTo(pages.Url("/order status?order=W1 X"));
  EXPECT_THAT(Query("Location with spaces").captions, ElementsAre(kShipped));
  ASSERT_EQ(pages.Requests().size(), 1u);
  EXPECT_EQ(pages.Requests()[0].target, "/order%20status?order=W1%20X");
}

TEST_F(QueryFaults, ALocationOfTenKilobytesIsFetchedWhole) {
  const std::string query = "?order=" + std::string(10 * 1024, 'w');
  StoreRedirectsTo(pages.Url("/orderstatus" + query));
  EXPECT_THAT(Query("Location of 10 KB").captions, ElementsAre(kShipped));
  ASSERT_EQ(pages.Requests().size(), 1u);
  EXPECT_EQ(pages.Requests()[0].target, "/orderstatus" + query);
}

// A redirect target that holds a line break must not let the rest of it become a header line of
// the next request, whether the break is a bare CR or a bare LF.
TEST_F(QueryFaults, ALineBreakInTheLocationInjectsNothing) {
  for (const char* brk : {"\r", "\n"}) {
    SCOPED_TRACE(brk[0] == '\r' ? "CR" : "LF");
    const std::string location =
        pages.Url("/orderstatus") + brk + std::string(kInjectedHeaderName) + ": 1";
    RawServer redirecting(AnswerRaw(ResponseHead("HTTP/1.1 302 Found",
                                                 {"Location: " + location, "Content-Length: 0"})),
                          fixtures::LocalhostIdentity());
    QueryOutcome outcome = Query(std::string("Location with a bare ") +
                                     (brk[0] == '\r' ? "CR" : "LF") + " and a header after it",
                                 redirecting.Authority());
    EXPECT_THAT(outcome.captions, ElementsAre(kShipped));
  }
}

}  // namespace
}  // namespace ow::faults
