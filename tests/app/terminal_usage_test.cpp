// The terminal front-end's help, version and usage errors, as a user at a terminal sees them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/spawned_process.h"

namespace ow {
namespace {

using ::testing::HasSubstr;

constexpr std::chrono::seconds kPatience{20};

struct Outcome {
  int exitStatus = -1;
  std::string out;
  std::string errors;
};

Outcome RunFrontEnd(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{std::getenv("ORDERWATCH_FRONT_END")};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  SpawnedProcess program(argv);
  EXPECT_TRUE(program.Started());
  Outcome outcome;
  outcome.out = program.ReadToEnd(kPatience).value_or("<no end>");
  outcome.errors = program.ReadErrors();
  const auto status = program.Wait(kPatience);
  if (status && WIFEXITED(*status)) outcome.exitStatus = WEXITSTATUS(*status);
  return outcome;
}

class TerminalUsageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("ORDERWATCH_FRONT_END"), nullptr) << "set by the build";
  }
};

TEST_F(TerminalUsageTest, HelpDescribesEveryModeOnStandardOutput) {
  const Outcome help = RunFrontEnd({"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_THAT(help.out, HasSubstr("--once ORDER EMAIL"));
  EXPECT_THAT(help.out, HasSubstr("--watch ORDER EMAIL"));
  EXPECT_EQ(help.errors, "");
}

TEST_F(TerminalUsageTest, VersionIsTheProjectVersion) {
  const Outcome version = RunFrontEnd({"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_THAT(version.out, ::testing::MatchesRegex("orderwatch [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

TEST_F(TerminalUsageTest, WrongUsageExitsWithTwoAndExplainsOnStandardError) {
  const std::vector<std::vector<std::string>> cases = {
      {"--once", "W1"}, {"--watch"}, {"--frobnicate"}, {"--once", "W1", "a@b", "c"}};
  for (const auto& arguments : cases) {
    SCOPED_TRACE(arguments[0]);
    const Outcome wrong = RunFrontEnd(arguments);
    EXPECT_EQ(wrong.exitStatus, 2);
    EXPECT_EQ(wrong.out, "");
    EXPECT_THAT(wrong.errors, HasSubstr("orderwatch: "));
    EXPECT_THAT(wrong.errors, HasSubstr("Usage:"));
  }
}

}  // namespace
}  // namespace ow
