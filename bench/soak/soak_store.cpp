// soak-store: the demo store's order view and status pages, served with a temper. Each
// request is answered at once, slowly, or with a failure drawn at random: the connection closed
// unanswered, a server error, a broken status line, a body cut short, a redirect to a closed
// port, a two-second stall, or a page that names no status. The pages and orders are the demo
// store's own. It runs until interrupted, then prints how often each answer was given.
//
//   soak-store [--https-port N] [--http-port N] [--slow-percent N] [--fail-percent N]
//              [--seed N]
#include <signal.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <thread>

#include "faults/raw_server.h"
#include "fixtures/test_servers.h"
#include "tools/demo-store/demo_orders.h"
#include "tools/demo-store/store_pages.h"

namespace ow::soak {
namespace {

using faults::RawConnection;
using faults::ResponseHead;

struct Options {
  int httpsPort = 0;
  int httpPort = 0;
  int slowPercent = 25;
  int failPercent = 15;
  unsigned seed = 1;
};

enum Answer : int {
  kFast,
  kSlow,
  kCloseUnanswered,
  kServerError,
  kBrokenStatusLine,
  kCutBody,
  kStall,
  kRedirectToClosedPort,  // order view only
  kNoStatus,              // status pages only
  kAnswerCount
};

constexpr std::array<const char*, kAnswerCount> kAnswerNames = {"fast",
                                                                "slow",
                                                                "closed unanswered",
                                                                "server error",
                                                                "broken status line",
                                                                "body cut short",
                                                                "2 s stall",
                                                                "redirect to a closed port",
                                                                "no status"};

class Temper {
 public:
  explicit Temper(const Options& options) : options_(options), random_(options.seed) {}

  // The answer for one request to the order view (`orderView`) or a status page.
  Answer Draw(bool orderView) {
    std::lock_guard lock(mutex_);
    const int roll = Roll(100);
    Answer answer = kFast;
    if (roll < options_.failPercent) {
      answer = static_cast<Answer>(kCloseUnanswered + Roll(6));
      if (answer == kRedirectToClosedPort && !orderView) answer = kNoStatus;
    } else if (roll < options_.failPercent + options_.slowPercent) {
      answer = kSlow;
    }
    ++counts_[answer];
    return answer;
  }

  std::chrono::milliseconds SlowDelay() {
    std::lock_guard lock(mutex_);
    return std::chrono::milliseconds(50 + Roll(950));
  }

  void Print() const {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < kAnswerCount; ++i)
      std::printf("  %-26s %ld\n", kAnswerNames[i], counts_[i]);
    std::fflush(stdout);
  }

 private:
  int Roll(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random_); }

  const Options options_;
  mutable std::mutex mutex_;
  std::mt19937 random_;
  std::array<long, kAnswerCount> counts_{};
};

std::string Decoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out +=
          static_cast<char>(std::strtol(std::string(text.substr(i + 1, 2)).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += text[i] == '+' ? ' ' : text[i];
    }
  }
  return out;
}

// The target of the request line of a head.
std::string_view TargetOf(std::string_view head) {
  const std::size_t start = head.find(' ') + 1;
  const std::size_t end = head.find(' ', start);
  return start == 0 || end == std::string_view::npos ? std::string_view()
                                                     : head.substr(start, end - start);
}

std::string QueryParameter(std::string_view target, std::string_view name) {
  const std::size_t question = target.find('?');
  if (question == std::string_view::npos) return {};
  std::string_view rest = target.substr(question + 1);
  while (!rest.empty()) {
    const std::size_t amp = rest.find('&');
    const std::string_view pair = rest.substr(0, amp);
    if (pair.substr(0, name.size()) == name && pair.size() > name.size() &&
        pair[name.size()] == '=') {
      return Decoded(pair.substr(name.size() + 1));
    }
    if (amp == std::string_view::npos) break;
    rest.remove_prefix(amp + 1);
  }
  return {};
}

std::string Response(std::string_view statusLine, std::string_view body,
                     std::vector<std::string> lines = {}) {
  lines.push_back("Content-Type: text/html; charset=utf-8");
  lines.push_back("Content-Length: " + std::to_string(body.size()));
  lines.push_back("Connection: close");
  return ResponseHead(statusLine, lines) + std::string(body);
}

// Carries out one of the answers every server shares; false when `answer` is not one of them.
bool AnswerAFailure(Answer answer, RawConnection& connection, const std::string& good) {
  switch (answer) {
    case kCloseUnanswered:
      return true;
    case kServerError:
      connection.Send(Response("HTTP/1.1 500 Internal Server Error", "<p>error</p>"));
      return true;
    case kBrokenStatusLine:
      connection.Send("HTTP/1.1 2OO OK\r\n\r\n" + good);
      return true;
    case kCutBody:
      connection.Send(good.substr(0, good.size() - 10));
      return true;
    case kStall:
      std::this_thread::sleep_for(std::chrono::seconds(2));
      return true;
    default:
      return false;
  }
}

class SoakStore {
 public:
  explicit SoakStore(const Options& options)
      : temper_(options),
        started_(std::chrono::steady_clock::now()),
        statusPages_([this](RawConnection& c) { ServeStatusPage(c); }, std::nullopt,
                     options.httpPort),
        orderView_([this](RawConnection& c) { ServeOrderView(c); }, fixtures::LocalhostIdentity(),
                   options.httpsPort) {}

  int HttpsPort() const { return orderView_.Port(); }
  int HttpPort() const { return statusPages_.Port(); }
  void Print() const { temper_.Print(); }

 private:
  void ServeOrderView(RawConnection& connection) {
    const std::string head = connection.ReadRequestHead();
    constexpr std::string_view kPrefix = "/go/cn/vieworder/";
    std::string_view target = TargetOf(head);
    if (target.substr(0, kPrefix.size()) != kPrefix) {
      connection.Send(Response("HTTP/1.1 404 Not Found", "<p>not found</p>"));
      return;
    }
    target.remove_prefix(kPrefix.size());
    const std::size_t slash = target.find('/');
    const std::string order(target.substr(0, slash));
    const std::string email(slash == std::string_view::npos ? "" : target.substr(slash + 1));
    const std::string good =
        Response("HTTP/1.1 302 Found", "",
                 {"Location: " + demo::StatusPageAddress(HttpPort(), order, email)});

    const Answer answer = temper_.Draw(true);
    if (AnswerAFailure(answer, connection, good)) return;
    if (answer == kRedirectToClosedPort) {
      connection.Send(Response("HTTP/1.1 302 Found", "",
                               {"Location: http://" + closed_.Authority() + "/orderstatus"}));
      return;
    }
    if (answer == kSlow) std::this_thread::sleep_for(temper_.SlowDelay());
    connection.Send(good);
  }

  void ServeStatusPage(RawConnection& connection) {
    const std::string head = connection.ReadRequestHead();
    const std::string_view target = TargetOf(head);
    const demo::DemoOrder* order =
        demo::FindDemoOrder(QueryParameter(target, "order"), QueryParameter(target, "email"));
    if (order == nullptr) {
      connection.Send(Response("HTTP/1.1 404 Not Found", demo::UnknownOrderPage()));
      return;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::steady_clock::now() - started_);
    const std::string good =
        Response("HTTP/1.1 200 OK",
                 demo::OrderStatusPage(
                     *order, demo::StatusAfter(*order, elapsed, std::chrono::seconds(60))));

    const Answer answer = temper_.Draw(false);
    if (AnswerAFailure(answer, connection, good)) return;
    if (answer == kNoStatus) {
      connection.Send(Response("HTTP/1.1 404 Not Found", demo::UnknownOrderPage()));
      return;
    }
    if (answer == kSlow) std::this_thread::sleep_for(temper_.SlowDelay());
    connection.Send(good);
  }

  Temper temper_;
  const std::chrono::steady_clock::time_point started_;
  faults::ClosedPort closed_;
  faults::RawServer statusPages_;
  faults::RawServer orderView_;
};

bool ParseNumber(const char* text, int low, int high, int& value) {
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || number < low || number > high) return false;
  value = static_cast<int>(number);
  return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view flag = argv[i];
    int seed = 0;
    bool understood = false;
    if (flag == "--https-port") understood = ParseNumber(argv[i + 1], 0, 65535, options.httpsPort);
    if (flag == "--http-port") understood = ParseNumber(argv[i + 1], 0, 65535, options.httpPort);
    if (flag == "--slow-percent") {
      understood = ParseNumber(argv[i + 1], 0, 100, options.slowPercent);
    }
    if (flag == "--fail-percent") {
      understood = ParseNumber(argv[i + 1], 0, 100, options.failPercent);
    }
    if (flag == "--seed" && ParseNumber(argv[i + 1], 0, 1 << 30, seed)) {
      options.seed = static_cast<unsigned>(seed);
      understood = true;
    }
    if (!understood) return false;
  }
  return argc % 2 == 1 && options.slowPercent + options.failPercent <= 100;
}

}  // namespace
}  // namespace ow::soak

int main(int argc, char** argv) {
  ow::soak::Options options;
  if (!ow::soak::ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: soak-store [--https-port N] [--http-port N] [--slow-percent N] "
                 "[--fail-percent N] [--seed N]\n");
    return 2;
  }
  // The servers' threads inherit the blocked signals, so only sigwait below sees them.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  ow::soak::SoakStore store(options);
  std::printf("soak-store: order view on 127.0.0.1:%d, status pages on 127.0.0.1:%d\n",
              store.HttpsPort(), store.HttpPort());
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stop, &signal);
  std::printf("soak-store: answers given\n");
  store.Print();
  return 0;
}
