// The stalls a query meets with the timeouts it really runs with: 15 seconds for each phase of
// the first request, and the internet handles' fixed 60 seconds to connect and 30 seconds of
// silence for the second. Each must end within its bound and leave "---" and the time. The
// cases run side by side, so the whole program takes about as long as the longest bound; it is
// labelled `slow` and left out of the usual test runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "faults/fault_harness.h"
#include "faults/raw_server.h"
#include "fixtures/test_servers.h"

namespace ow::faults {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using ::testing::ElementsAre;

// The first request's phases without a timeout given: resolve plus connect (with the TLS
// handshake), send plus receive until the answer begins, and each silence after that.
constexpr seconds kFirstPhase{15};
// The second request's bounds.
constexpr seconds kSecondConnect{60};
constexpr seconds kSecondSilence{30};
// The backends look at their clocks about once a second.
constexpr milliseconds kSlack{2000};

struct SlowCase {
  std::string fault;
  milliseconds bound;
  // The store's address for the query; the servers it needs are kept in `servers`.
  std::function<std::string(std::vector<std::shared_ptr<void>>& servers)> setUp;
};

std::string HeadThenPartialBody(const std::string& location) {
  std::vector<std::string> lines = {"Content-Length: 1000"};
  if (!location.empty()) lines.push_back("Location: " + location);
  return ResponseHead(location.empty() ? "HTTP/1.1 200 OK" : "HTTP/1.1 302 Found", lines) +
         "{\"currentStatus\":\"";
}

// A TLS store that sends the query on to `pageUrl`.
std::string StoreRedirectingTo(const std::string& pageUrl,
                               std::vector<std::shared_ptr<void>>& servers) {
  auto store = std::make_shared<fixtures::HttpServer>(fixtures::LocalhostIdentity());
  store->RouteEverythingElse(fixtures::RedirectTo(pageUrl));
  servers.push_back(store);
  return "127.0.0.1:" + std::to_string(store->Port());
}

TEST(SlowFaults, EveryStallOfAQueryEndsWithinItsBound) {
  const std::vector<SlowCase> cases = {
      {"store never answers the TLS handshake", 2 * kFirstPhase,
       [](auto& servers) {
         auto silent = std::make_shared<RawServer>(NeverAnswer());
         servers.push_back(silent);
         return silent->Authority();
       }},
      {"store: TLS handshake, then silence", 2 * kFirstPhase,
       [](auto& servers) {
         auto silent = std::make_shared<RawServer>(NeverAnswer(), fixtures::LocalhostIdentity());
         servers.push_back(silent);
         return silent->Authority();
       }},
      {"store: headers, then the body stalls", kFirstPhase,
       [](auto& servers) {
         auto stalling = std::make_shared<RawServer>(
             AnswerThenStall(HeadThenPartialBody("http://127.0.0.1:9/page")),
             fixtures::LocalhostIdentity());
         servers.push_back(stalling);
         return stalling->Authority();
       }},
      {"status page never answers", kSecondSilence,
       [](auto& servers) {
         auto silent = std::make_shared<RawServer>(NeverAnswer());
         servers.push_back(silent);
         return StoreRedirectingTo(silent->Url("/orderstatus"), servers);
       }},
      {"status page never answers the TLS handshake", kSecondConnect,
       [](auto& servers) {
         auto silent = std::make_shared<RawServer>(NeverAnswer());
         servers.push_back(silent);
         return StoreRedirectingTo("https://" + silent->Authority() + "/orderstatus", servers);
       }},
      {"status page: headers, then the body stalls", kSecondSilence,
       [](auto& servers) {
         auto stalling = std::make_shared<RawServer>(AnswerThenStall(HeadThenPartialBody("")));
         servers.push_back(stalling);
         return StoreRedirectingTo(stalling->Url("/orderstatus"), servers);
       }},
  };

  std::vector<QueryOutcome> outcomes(cases.size());
  std::vector<std::thread> queries;
  std::vector<std::vector<std::shared_ptr<void>>> servers(cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string store = cases[i].setUp(servers[i]);
    queries.emplace_back([&outcomes, i, store] { outcomes[i] = RunQuery(store); });
  }
  for (std::thread& query : queries) query.join();

  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].fault);
    EXPECT_THAT(outcomes[i].captions, ElementsAre(TimeAloneLine()));
    EXPECT_LT(outcomes[i].took, cases[i].bound + kSlack);
    RecordOutcome("query (real timeouts)", cases[i].fault,
                  "\"---\" and the time; bound " + std::to_string(cases[i].bound.count()) + " ms",
                  outcomes[i].took);
  }
}

}  // namespace
}  // namespace ow::faults
