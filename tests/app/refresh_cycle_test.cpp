// The refresh cycle's rules against a window system that records what it is asked to do.
#include "app/refresh_cycle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ow {
namespace {

// A window system whose timer runs on a simulated clock, so that the rhythm of ticks can be
// followed second by second without waiting.
class SimulatedWindow final : public WindowSystem {
 public:
  std::vector<std::string> calls;
  std::vector<int> queryTimes;  // the simulated time of each StartQueryThread, in ms
  int height = 162;
  int alpha = 255;

  void StartQueryThread() override {
    calls.push_back("StartQueryThread");
    queryTimes.push_back(now_);
  }
  int TimerPeriod() const override { return period_; }
  void KillTimer() override {
    calls.push_back("KillTimer");
    period_ = 0;
  }
  void SetTimer(int periodMs) override {
    calls.push_back("SetTimer " + std::to_string(periodMs));
    period_ = periodMs;
    nextExpiry_ = now_ + periodMs;
  }
  void SetWindowHeight(int newHeight) override {
    calls.push_back("SetWindowHeight " + std::to_string(newHeight));
    height = newHeight;
  }
  void SetWindowAlpha(int newAlpha) override {
    calls.push_back("SetWindowAlpha " + std::to_string(newAlpha));
    alpha = newAlpha;
  }

  // Moves the clock on to `ms`, delivering every expiry of the timer on the way.
  void RunUntil(int ms) {
    while (period_ > 0 && nextExpiry_ <= ms) {
      now_ = nextExpiry_;
      nextExpiry_ += period_;
      OnRefreshTimer(*this);
    }
    now_ = ms;
  }

  // Starts the window with a timer that already runs, as if set earlier.
  void GivenRunningTimer(int periodMs) {
    period_ = periodMs;
    nextExpiry_ = now_ + periodMs;
  }

 private:
  int now_ = 0;
  int period_ = 0;
  int nextExpiry_ = 0;
};

using Calls = std::vector<std::string>;

TEST(RefreshCycle, FirstClickQueriesThenStartsTimerThenCollapsesToStrip) {
  SimulatedWindow window;
  OnQueryButtonClicked(window);
  EXPECT_EQ(window.calls, (Calls{"StartQueryThread", "KillTimer", "SetTimer 20000",
                                 "SetWindowHeight 24", "SetWindowAlpha 150"}));
}

TEST(RefreshCycle, LaterClickAddsOneQueryAndLeavesTheTimerAlone) {
  SimulatedWindow window;
  OnQueryButtonClicked(window);
  window.calls.clear();
  OnQueryButtonClicked(window);
  EXPECT_EQ(window.calls, (Calls{"StartQueryThread", "SetWindowHeight 24", "SetWindowAlpha 150"}));
  EXPECT_EQ(window.TimerPeriod(), 20000);
}

TEST(RefreshCycle, TickStartsOneQueryAndNothingElse) {
  SimulatedWindow window;
  OnRefreshTimer(window);
  EXPECT_EQ(window.calls, (Calls{"StartQueryThread"}));
}

TEST(RefreshCycle, WithoutAClickNothingEverRuns) {
  SimulatedWindow window;
  window.RunUntil(10 * 60 * 1000);
  EXPECT_TRUE(window.queryTimes.empty());
  EXPECT_EQ(window.height, 162);
  EXPECT_EQ(window.alpha, 255);
}

TEST(RefreshCycle, ClicksAddQueriesWithoutShiftingTheTwentySecondRhythm) {
  SimulatedWindow window;
  OnQueryButtonClicked(window);  // at 0 s
  window.RunUntil(5000);
  OnQueryButtonClicked(window);  // at 5 s
  window.RunUntil(45000);
  OnQueryButtonClicked(window);  // at 45 s
  window.RunUntil(61000);
  EXPECT_EQ(window.queryTimes, (std::vector<int>{0, 5000, 20000, 40000, 45000, 60000}));
}

TEST(RefreshCycle, SetTimerPeriodRules) {
  struct Case {
    int current;
    int requested;
    Calls calls;
  };
  const Case cases[] = {
      {0, 0, {}},                                 // stopped stays stopped
      {0, -5, {}},                                // negative counts as 0
      {20000, 20000, {}},                         // same period: countdown undisturbed
      {0, 100, {"KillTimer", "SetTimer 100"}},    // start
      {100, 250, {"KillTimer", "SetTimer 250"}},  // restart with the new period
      {100, 0, {"KillTimer"}},                    // stop
      {100, -1, {"KillTimer"}},                   // negative stops too
  };
  for (const Case& c : cases) {
    SimulatedWindow window;
    if (c.current > 0) window.GivenRunningTimer(c.current);
    SetTimerPeriod(window, c.requested);
    EXPECT_EQ(window.calls, c.calls) << c.current << " -> " << c.requested;
    EXPECT_EQ(window.TimerPeriod(), c.requested < 0 ? 0 : c.requested);
  }
}

TEST(RefreshCycle, SamePeriodAgainDoesNotRestartTheCountdown) {
  SimulatedWindow window;
  SetTimerPeriod(window, 1000);
  window.RunUntil(700);
  SetTimerPeriod(window, 1000);
  window.RunUntil(2100);
  EXPECT_EQ(window.queryTimes, (std::vector<int>{1000, 2000}));
}

class NoControls final : public ControlAccessors {
 public:
  Text Read编辑框1() override { return Text(); }
  Text Read编辑框2() override { return Text(); }
  void Write标签3(const Text&) override {}
};

TEST(QueryThread, RunsTheQueryOnceOnItsOwnThreadWithTheGivenControls) {
  NoControls controls;
  std::mutex mutex;
  std::condition_variable done;
  std::vector<std::thread::id> threads;
  std::vector<ControlAccessors*> seen;

  StartQueryThread(controls, [&](ControlAccessors& given) {
    const std::lock_guard lock(mutex);
    threads.push_back(std::this_thread::get_id());
    seen.push_back(&given);
    done.notify_all();
  });

  std::unique_lock lock(mutex);
  ASSERT_TRUE(done.wait_for(lock, std::chrono::seconds(10), [&] { return !threads.empty(); }));
  EXPECT_EQ(threads.size(), 1u);
  EXPECT_NE(threads[0], std::this_thread::get_id());
  EXPECT_EQ(seen[0], &controls);
}

}  // namespace
}  // namespace ow
