// The fault matrix for the Windows build: `orderwatch.exe --once` under Wine, with its real
// request object and internet handles, against the same misbehaving servers as on Linux. The
// program asks the store it was built for, so the store of every case listens on that port.
// scripts/wine-faults.sh builds the program, prepares a Wine prefix that trusts the test CA and
// runs this with:
//   ORDERWATCH_WINDOWS_PROGRAM  orderwatch.exe
//   ORDERWATCH_WINE_RUN         scripts/wine-run.sh (WINEPREFIX names the prepared prefix)
//   ORDERWATCH_STORE_PORT       the port of the program's STORE_HOST_NAME (localhost)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/spawned_process.h"
#include "faults/fault_harness.h"
#include "faults/raw_server.h"
#include "fixtures/test_servers.h"

namespace ow::faults {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

std::string Setting(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : value;
}

constexpr const char* kPage =
    "<script>var d = {\"currentStatus\":\"SHIPPED\"};\n"
    "var t = {\"PLACED\" : \"已下单\",\"SHIPPED\" : \"已发货\",};</script>";

enum class Expect { kTimeAlone, kShipped, kEither };

struct WindowsRun {
  std::optional<std::string> line;  // the status line (UTF-8), none when nothing was printed
  milliseconds took{0};
};

// One `--once` query of the Windows program; the status line it prints, without its CR LF.
WindowsRun RunWindowsQuery(const std::string& order, const std::string& email,
                           seconds limit = seconds(120)) {
  Stopwatch stopwatch;
  SpawnedProcess program({Setting("ORDERWATCH_WINE_RUN"), Setting("ORDERWATCH_WINDOWS_PROGRAM"),
                          "--once", order, email});
  WindowsRun run;
  if (!program.Started()) return run;
  std::optional<std::string> output = program.ReadToEnd(limit);
  run.took = stopwatch.Elapsed();
  if (!output || output->empty()) return run;
  std::string line = output->substr(0, output->find('\n'));
  while (!line.empty() && line.back() == '\r') line.pop_back();
  run.line = line;
  return run;
}

// The date and time the program prints, as "---2024年5月1日..." in UTF-8.
bool IsTimeAfter(const std::string& line, const std::string& description) {
  return line.rfind(description + "---", 0) == 0 &&
         line.find("年", description.size()) != std::string::npos &&
         line.find("日", description.size()) != std::string::npos;
}

class WineFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Setting("ORDERWATCH_WINDOWS_PROGRAM").empty() || Setting("ORDERWATCH_WINE_RUN").empty() ||
        Setting("ORDERWATCH_STORE_PORT").empty()) {
      GTEST_SKIP() << "run by scripts/wine-faults.sh";
    }
    storePort = std::atoi(Setting("ORDERWATCH_STORE_PORT").c_str());
    pages.RouteEverythingElse(fixtures::RespondText(kPage));
  }

  // A store on the program's port that answers every connection with `script`.
  std::unique_ptr<RawServer> Store(ConnectionScript script) {
    return std::make_unique<RawServer>(std::move(script), fixtures::LocalhostIdentity(), storePort);
  }
  // A store on the program's port that redirects to `location`.
  std::unique_ptr<RawServer> StoreRedirectingTo(const std::string& location) {
    return Store(AnswerRaw(
        ResponseHead("HTTP/1.1 302 Found", {"Location: " + location, "Content-Length: 0"})));
  }

  void Check(const std::string& fault, Expect expect, const std::string& order = "W100001",
             const std::string& email = "demo@example.com", seconds bound = seconds(20)) {
    WindowsRun run = RunWindowsQuery(order, email, bound + seconds(30));
    const std::string line = run.line.value_or("");
    const bool timeAlone = IsTimeAfter(line, "");
    const bool shipped = IsTimeAfter(line, "已发货");
    EXPECT_TRUE(run.line.has_value()) << fault << ": no status line";
    switch (expect) {
      case Expect::kTimeAlone:
        EXPECT_TRUE(timeAlone) << fault << ": " << line;
        break;
      case Expect::kShipped:
        EXPECT_TRUE(shipped) << fault << ": " << line;
        break;
      case Expect::kEither:
        EXPECT_TRUE(timeAlone || shipped) << fault << ": " << line;
        break;
    }
    EXPECT_LT(run.took, bound) << fault;
    RecordOutcome("Windows build under Wine", fault,
                  !run.line   ? "no status line"
                  : timeAlone ? "\"---\" and the time"
                  : shipped   ? "the right status"
                              : "status line \"" + line + "\"",
                  run.took);
  }

  void ExpectNoInjectedLine(const RawServer& server) {
    for (const std::string& head : server.RequestHeads()) {
      EXPECT_FALSE(CarriesInjectedLine(head)) << head;
    }
  }

  int storePort = 0;
  fixtures::HttpServer pages;
};

TEST_F(WineFaults, TheStore) {
  {
    // The control: a store that answers as it should.
    auto store = StoreRedirectingTo(pages.Url("/s"));
    Check("store answers as it should", Expect::kShipped);
  }
  {
    // Nothing listens on the store's port while no store object lives.
    Check("store port closed", Expect::kTimeAlone);
  }
  {
    auto store = Store(AnswerRaw(ResponseHead("HTTP/1.1 302 Found", {"Location: " + pages.Url("/s"),
                                                                     "Content-Length: 100"}) +
                                 "cut"));
    Check("store closes mid-body", Expect::kEither);
  }
  {
    auto store = Store(AnswerRaw(
        ResponseHead("HTTP/1.1 abc Found", {"Location: " + pages.Url("/s"), "Content-Length: 0"})));
    Check("store status line: letters for a code", Expect::kEither);
  }
  for (std::size_t size : {4999u, 5000u, 5001u}) {
    std::string head = ResponseHead(
        "HTTP/1.1 302 Found", {"Location: " + pages.Url("/s"), "Content-Length: 0", "X-Fill: "});
    head.insert(head.size() - 4, size - head.size(), 'f');
    auto store = Store(AnswerRaw(head));
    Check("store head of " + std::to_string(size) + " bytes", Expect::kShipped);
  }
  {
    std::string head = ResponseHead("HTTP/1.1 302 Found", {"Location: " + pages.Url("/s")});
    head.erase(head.size() - 2);
    while (head.size() < (1u << 20)) head += "X-Fill: " + std::string(90, 'f') + "\r\n";
    head += "Content-Length: 0\r\n\r\n";
    auto store = Store(AnswerRaw(head));
    Check("store head of 1 MB", Expect::kEither);
  }
  {
    auto store = Store([this](RawConnection& connection) {
      if (connection.ReadRequestHead().empty()) return;
      constexpr std::size_t kSize = 100u << 20;
      if (connection.Send(ResponseHead(
              "HTTP/1.1 302 Found",
              {"Location: " + pages.Url("/s"), "Content-Length: " + std::to_string(kSize)}))) {
        connection.SendRepeated('x', kSize);
      }
    });
    Check("store sends 100 MB", Expect::kShipped, "W100001", "demo@example.com", seconds(60));
  }
}

// The program's own timeouts: 15 seconds a phase for the first request.
TEST_F(WineFaults, StallsOfTheStore) {
  {
    auto store =
        Store(AnswerThenStall(ResponseHead("HTTP/1.1 302 Found", {"Location: " + pages.Url("/s"),
                                                                  "Content-Length: 100"}) +
                              "cut"));
    Check("store: headers, then the body stalls", Expect::kEither, "W100001", "demo@example.com",
          seconds(45));
  }
}

TEST_F(WineFaults, TheStatusPage) {
  ClosedPort closed;
  {
    auto store = StoreRedirectingTo("http://" + closed.Authority() + "/s");
    Check("status page port closed", Expect::kTimeAlone);
  }
  {
    pages.Route("/away", fixtures::RedirectTo("http://" + closed.Authority() + "/s"));
    auto store = StoreRedirectingTo(pages.Url("/away"));
    Check("status page redirects to a closed port", Expect::kTimeAlone);
  }
  {
    RawServer plainText(
        [](RawConnection& connection) { connection.Send("HTTP/1.1 400 Bad Request\r\n\r\n"); });
    auto store = StoreRedirectingTo("https://" + plainText.Authority() + "/s");
    Check("status page TLS handshake fails", Expect::kTimeAlone);
  }
  {
    RawServer cut(AnswerRaw(ResponseHead("HTTP/1.1 200 OK", {"Content-Length: 100000"}) + kPage));
    auto store = StoreRedirectingTo(cut.Url("/s"));
    Check("status page closes mid-body", Expect::kEither);
  }
  {
    RawServer broken(AnswerRaw(ResponseHead("HTTP/1.1 2x0 OK", {}) + kPage));
    auto store = StoreRedirectingTo(broken.Url("/s"));
    Check("status page status line malformed", Expect::kEither);
  }
  {
    std::string head =
        ResponseHead("HTTP/1.1 200 OK",
                     {"Content-Length: " + std::to_string(std::string(kPage).size()), "X-Fill: "});
    head.insert(head.size() - 4, 5001 - head.size(), 'f');
    RawServer large(AnswerRaw(head + kPage));
    auto store = StoreRedirectingTo(large.Url("/s"));
    Check("status page head of 5001 bytes", Expect::kShipped);
  }
  {
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
    auto store = StoreRedirectingTo(flood.Url("/s"));
    Check("status page of 100 MB", Expect::kShipped, "W100001", "demo@example.com", seconds(120));
  }
  {
    fixtures::HttpServer malformed;
    malformed.RouteEverythingElse(fixtures::RespondText(
        "\xff\xfe{\"currentStatus\":\"SHIPPED\"}\xed\xa0\x80 {\"SHIPPED\" : \"已\xe5\x8f发货\",}"));
    auto store = StoreRedirectingTo(malformed.Url("/s"));
    WindowsRun run = RunWindowsQuery("W100001", "demo@example.com");
    const std::string line = run.line.value_or("");
    EXPECT_EQ(line.rfind("已", 0), 0u) << line;
    EXPECT_NE(line.find("发货---"), std::string::npos) << line;
    RecordOutcome("Windows build under Wine", "status page of malformed UTF-8",
                  "status line \"" + line + "\"", run.took);
  }
  {
    fixtures::HttpServer nul;
    nul.RouteEverythingElse(fixtures::RespondText(std::string(1u << 20, '\0')));
    auto store = StoreRedirectingTo(nul.Url("/s"));
    Check("status page of 1 MB of NUL bytes", Expect::kTimeAlone);
  }
}

// Where Wine 8's facilities fall short of the platform's, so that a query never ends: its
// request object applies no timeout to a TLS handshake that is never answered, and its internet
// handles follow a redirect loop without end (the platform's own stop after a fixed number of
// redirects). Run with --gtest_also_run_disabled_tests to see them; each is given a minute.
TEST_F(WineFaults, DISABLED_KnownWineLimitations) {
  {
    auto store = std::make_unique<RawServer>(NeverAnswer(), std::nullopt, storePort);
    Check("store never answers the TLS handshake", Expect::kTimeAlone, "W100001",
          "demo@example.com", seconds(45));
  }
  {
    pages.Route("/a", fixtures::RedirectTo(pages.Url("/b")));
    pages.Route("/b", fixtures::RedirectTo(pages.Url("/a")));
    auto store = StoreRedirectingTo(pages.Url("/a"));
    Check("status page redirect loop", Expect::kTimeAlone, "W100001", "demo@example.com",
          seconds(45));
  }
}

TEST_F(WineFaults, TheRedirectTarget) {
  {
    auto store = StoreRedirectingTo(pages.Url("/order status?order=W1 X"));
    Check("Location with spaces", Expect::kShipped);
  }
  {
    auto store = StoreRedirectingTo(pages.Url("/s?order=" + std::string(10 * 1024, 'w')));
    Check("Location of 10 KB", Expect::kEither);
  }
  for (const char* brk : {"\r", "\n"}) {
    auto store =
        StoreRedirectingTo(pages.Url("/s") + brk + std::string(kInjectedHeaderName) + ": 1");
    Check(std::string("Location with a bare ") + (brk[0] == '\r' ? "CR" : "LF") +
              " and a header after it",
          Expect::kEither);
  }
  for (const auto& request : pages.Requests()) {
    EXPECT_FALSE(CarriesInjectedLine(request.head)) << request.head;
  }
}

TEST_F(WineFaults, TheInputBoxes) {
  const std::vector<std::pair<std::string, std::string>> typings = {
      {"spaces", "W 100 001"},
      {"\"/\"", "W1/00"},
      {"\"?\"", "W1?x=1"},
      {"\"#\"", "W1#frag"},
      {"\"%\"", "W1%2F%zz%"},
      {"CR", "W1\rX"},
      {"LF", "W1\nX"},
      {"CR LF and a header line", "W1\r\nX-Injected: 1"},
      {"10,000 characters", std::string(10000, '7')},
      {"Chinese text", "订单一"},
  };
  for (const auto& [what, order] : typings) {
    auto store = StoreRedirectingTo(pages.Url("/s"));
    Check("input box: " + what, Expect::kEither, order);
    ExpectNoInjectedLine(*store);
  }
  for (const auto& request : pages.Requests()) {
    EXPECT_FALSE(CarriesInjectedLine(request.head)) << request.head;
  }
}

}  // namespace
}  // namespace ow::faults
