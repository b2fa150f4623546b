// The terminal front-end: the same query as the window's, with the two inputs taken from the
// command line and the status line printed instead of shown.
#include "app/terminal_front_end.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "app/terminal_command.h"
#include "app/worker_thread.h"
#include "query/order_status_query.h"
#include "text/convert.h"

#ifndef ORDERWATCH_VERSION
#error "ORDERWATCH_VERSION must be defined by the build"
#endif

namespace ow {

namespace {

constexpr int kUsageErrorStatus = 2;
// The window's refresh rhythm.
constexpr std::chrono::milliseconds kWatchPeriod{20000};

// The inputs are fixed for the life of the process; every write prints one line. Overlapping
// queries may finish together, so the print is serialised to keep their lines whole.
class TerminalControls final : public ControlAccessors {
 public:
  TerminalControls(Text orderNumber, Text email)
      : orderNumber_(std::move(orderNumber)), email_(std::move(email)) {}

  Text Read编辑框1() override { return orderNumber_; }
  Text Read编辑框2() override { return email_; }
  void Write标签3(const Text& caption) override {
    const std::string line = LocalTextToUtf8(caption) + "\n";
    const std::lock_guard<std::mutex> lock(printMutex_);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
  }

 private:
  const Text orderNumber_;
  const Text email_;
  std::mutex printMutex_;
};

void QueryThreadMain(void* parameter) {
  QueryOrderStatus(*static_cast<TerminalControls*>(parameter));
}

// Tests shorten the rhythm through ORDERWATCH_WATCH_PERIOD_MS; anything but a positive number
// of milliseconds leaves it as it is.
std::chrono::milliseconds WatchPeriod() {
  const char* setting = std::getenv("ORDERWATCH_WATCH_PERIOD_MS");
  if (setting == nullptr) return kWatchPeriod;
  char* end = nullptr;
  const long long milliseconds = std::strtoll(setting, &end, 10);
  if (end == setting || *end != '\0' || milliseconds <= 0) return kWatchPeriod;
  return std::chrono::milliseconds(milliseconds);
}

[[noreturn]] void Watch(TerminalControls& controls) {
  // An interrupt ends the process at once, with any query still running, as closing the
  // window does; a parent that started us with the signals ignored must not keep us alive.
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  const std::chrono::milliseconds period = WatchPeriod();
  // Queries start on a fixed rhythm whether or not earlier ones have finished, and the rhythm
  // does not drift with the time it takes to start one.
  auto nextStart = std::chrono::steady_clock::now();
  for (;;) {
    StartWorkerThread(&QueryThreadMain, &controls);
    nextStart += period;
    std::this_thread::sleep_until(nextStart);
  }
}

}  // namespace

int RunTerminalFrontEnd(int argc, char** argv) {
  const TerminalCommand command = ParseTerminalCommand(argc, argv);
  switch (command.mode) {
    case TerminalMode::kWindow:
      return -1;
    case TerminalMode::kHelp:
      std::fputs(TerminalUsage(), stdout);
      return 0;
    case TerminalMode::kVersion:
      std::printf("orderwatch %s\n", ORDERWATCH_VERSION);
      return 0;
    case TerminalMode::kUsageError:
      std::fprintf(stderr, "orderwatch: %s\n%s", command.problem.c_str(), TerminalUsage());
      return kUsageErrorStatus;
    case TerminalMode::kOnce: {
      TerminalControls controls(command.orderNumber, command.email);
      QueryOrderStatus(controls);
      return 0;
    }
    case TerminalMode::kWatch: {
      // Lives as long as the process: detached workers hold on to it until the end.
      static TerminalControls controls(command.orderNumber, command.email);
      Watch(controls);
    }
  }
  return kUsageErrorStatus;
}

}  // namespace ow
