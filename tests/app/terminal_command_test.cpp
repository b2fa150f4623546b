// Reading the terminal front-end's command line.
#include "app/terminal_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ow {
namespace {

TerminalCommand Parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "orderwatch");
  return ParseTerminalCommand(static_cast<int>(arguments.size()), arguments.data());
}

TEST(TerminalCommandTest, NoArgumentsLeavesTheWindowToOpen) {
  EXPECT_EQ(Parse({}).mode, TerminalMode::kWindow);
}

TEST(TerminalCommandTest, QueriesTakeOrderAndEmailAsCodePage936) {
  struct Case {
    std::vector<const char*> arguments;
    TerminalMode mode;
    const char* orderNumber;
    const char* email;
  };
  const Case cases[] = {
      {{"--once", "W100001", "demo@example.com"},
       TerminalMode::kOnce,
       "W100001",
       "demo@example.com"},
      {{"--watch", "W100001", "demo@example.com"},
       TerminalMode::kWatch,
       "W100001",
       "demo@example.com"},
      // UTF-8 in, code page 936 out: 订单 and 张三.
      {{"--once", "订单1", "张三@example.com"},
       TerminalMode::kOnce,
       "\xb6\xa9\xb5\xa5"
       "1",
       "\xd5\xc5\xc8\xfd@example.com"},
      // Empty and odd inputs go to the query untouched, as the window would pass them.
      {{"--once", "", ""}, TerminalMode::kOnce, "", ""},
      {{"--watch", "-1", " a/b?c#d "}, TerminalMode::kWatch, "-1", " a/b?c#d "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.arguments[1]) + " " + c.arguments[2]);
    const TerminalCommand command = Parse(c.arguments);
    EXPECT_EQ(command.mode, c.mode);
    EXPECT_EQ(command.orderNumber, Text(c.orderNumber));
    EXPECT_EQ(command.email, Text(c.email));
  }
}

TEST(TerminalCommandTest, HelpAndVersionStandAlone) {
  EXPECT_EQ(Parse({"--help"}).mode, TerminalMode::kHelp);
  EXPECT_EQ(Parse({"-h"}).mode, TerminalMode::kHelp);
  EXPECT_EQ(Parse({"--version"}).mode, TerminalMode::kVersion);
}

TEST(TerminalCommandTest, WrongUsageSaysWhatIsWrong) {
  const std::vector<std::vector<const char*>> cases = {
      {"--once"},
      {"--once", "W1"},
      {"--watch", "W1", "a@b", "extra"},
      {"--help", "x"},
      {"--version", "--help"},
      {"W1", "a@b"},
      {"--ONCE", "W1", "a@b"},
      {""},
  };
  for (const auto& arguments : cases) {
    const TerminalCommand command = Parse(arguments);
    EXPECT_EQ(command.mode, TerminalMode::kUsageError) << arguments[0];
    EXPECT_FALSE(command.problem.empty()) << arguments[0];
  }
}

}  // namespace
}  // namespace ow
