// Queries overlap on worker threads; each one's requests must stand alone, sharing nothing but
// the process-wide handle table and libcurl's global state.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "fixtures/test_servers.h"
#include "http/win_http_fetch.h"
#include "http/win_inet_fetch.h"
#include "integration_support.h"

namespace ow {
namespace {

TEST(ConcurrentFetch, OverlappingRequestsGetTheirOwnAnswers) {
  ::setenv("ORDERWATCH_CA_FILE", fixtures::TestCaFile().c_str(), 1);
  fixtures::HttpServer store(fixtures::LocalhostIdentity());
  fixtures::HttpServer pages;
  store.RouteEverythingElse([&pages](const fixtures::RecordedRequest& request) {
    return fixtures::RedirectTo(pages.Url("/page" + request.Path()))(request);
  });
  pages.RouteEverythingElse([](const fixtures::RecordedRequest& request) {
    return fixtures::RespondText("status of " + request.Path())(request);
  });

  constexpr int kWorkers = 8;
  std::vector<std::string> results(kWorkers);
  std::vector<std::thread> workers;
  for (int i = 0; i < kWorkers; ++i) {
    workers.emplace_back([&, i] {
      Text headers;
      std::string path = "/order" + std::to_string(i);
      WinHttpFetch({.url = Text(store.Url(path)), .returnedHeaders = &headers, .noRedirect = true});
      Text location = TextBetween(headers, "Location: ", "\r\n");
      results[i] = std::string(WinInetFetch({.url = location}).View());
    });
  }
  for (std::thread& worker : workers) worker.join();
  for (int i = 0; i < kWorkers; ++i) {
    EXPECT_EQ(results[i], "status of /page/order" + std::to_string(i));
  }
}

}  // namespace
}  // namespace ow
