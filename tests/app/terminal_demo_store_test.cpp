// The terminal front-end end to end: the program, its built-in store address, and the demo
// store listening there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "app/spawned_process.h"

namespace ow {
namespace {

constexpr std::chrono::seconds kPatience{30};

// A status line as the terminal prints it (UTF-8): the description, "---", the date, and the
// time with its trailing zero parts left out.
::testing::AssertionResult IsStatusLine(const std::optional<std::string>& line,
                                        const std::string& description) {
  if (!line) return ::testing::AssertionFailure() << "no line";
  static const std::regex dateTime(
      "---[0-9]{4}年[0-9]{1,2}月[0-9]{1,2}日([0-9]{1,2}时([0-9]{1,2}分([0-9]{1,2}秒)?)?)?");
  if (line->rfind(description, 0) == 0 &&
      std::regex_match(line->substr(description.size()), dateTime)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "'" << *line << "' is not the line of '" << description << "'";
}

class TerminalDemoStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* frontEnd = std::getenv("ORDERWATCH_FRONT_END");
    const char* store = std::getenv("ORDERWATCH_DEMO_STORE");
    const char* port = std::getenv("ORDERWATCH_DEMO_STORE_PORT");
    ASSERT_TRUE(frontEnd && store && port) << "set by the build";
    frontEnd_ = frontEnd;
    // Statuses stay still for the length of the test.
    store_ = std::make_unique<SpawnedProcess>(std::vector<std::string>{
        store, "--https-port", port, "--http-port", "0", "--step-seconds", "3600"});
    ASSERT_TRUE(store_->Started());
    for (;;) {
      const auto line = store_->ReadLine(kPatience);
      ASSERT_TRUE(line) << "the demo store did not start on port " << port << ": "
                        << store_->ReadErrors();
      if (line->find("order view on https://localhost:") != std::string::npos) break;
    }
  }

  // Reads the store's log until a line holds `fragment`.
  bool StoreLogged(const std::string& fragment) {
    while (const auto line = store_->ReadLine(kPatience)) {
      if (line->find(fragment) != std::string::npos) return true;
    }
    return false;
  }

  std::string frontEnd_;
  std::unique_ptr<SpawnedProcess> store_;
};

TEST_F(TerminalDemoStoreTest, OncePrintsTheOrdersStatusLineAndExitsWithZero) {
  struct Case {
    const char* orderNumber;
    const char* email;
    const char* description;
  };
  const Case cases[] = {
      {"W100001", "demo@example.com", "已下单"},
      {"W100003", "buyer@example.com", "已发货"},
      {"W999999", "demo@example.com", ""},  // unknown: the page names no status
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.orderNumber);
    SpawnedProcess once({frontEnd_, "--once", c.orderNumber, c.email});
    ASSERT_TRUE(once.Started()) << "cannot start " << frontEnd_;
    const auto line = once.ReadLine(kPatience);
    EXPECT_TRUE(IsStatusLine(line, c.description));
    EXPECT_EQ(once.ReadToEnd(kPatience), "") << "one line only";
    const auto status = once.Wait(kPatience);
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    EXPECT_TRUE(StoreLogged(std::string("GET /go/cn/vieworder/") + c.orderNumber + "/" + c.email +
                            " -> 302"));
  }
}

TEST_F(TerminalDemoStoreTest, WatchPrintsALinePerQueryUntilInterrupted) {
  SpawnedProcess watch({frontEnd_, "--watch", "W100002", "demo@example.com"},
                       {"ORDERWATCH_WATCH_PERIOD_MS=100"});
  ASSERT_TRUE(watch.Started()) << "cannot start " << frontEnd_;
  for (int query = 0; query < 3; ++query) {
    EXPECT_TRUE(IsStatusLine(watch.ReadLine(kPatience), "正在处理")) << "query " << query;
  }
  watch.Signal(SIGINT);
  const auto status = watch.Wait(kPatience);
  ASSERT_TRUE(status) << "still running after the interrupt";
  EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGINT);
  // Overlapping queries print whole lines and nothing else; a race report would land here.
  EXPECT_EQ(watch.ReadErrors(), "");
}

}  // namespace
}  // namespace ow
