// Closing the window while ten queries hang inside their requests ends the process at once:
// nothing waits for the workers, and the store sees every connection go.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>

#include "app/spawned_process.h"
#include "faults/fault_harness.h"
#include "faults/raw_server.h"
#include "fixtures/test_servers.h"

#ifndef ORDERWATCH_WINDOW_CLOSE_PROBE
#error "ORDERWATCH_WINDOW_CLOSE_PROBE must name the probe program"
#endif

namespace ow::faults {
namespace {

using std::chrono::seconds;

TEST(WindowCloseFaults, ClosingWithTenQueriesInFlightEndsTheProcessAtOnce) {
  // The store completes each TLS handshake and then never answers: the queries would wait 30
  // seconds for it.
  RawServer store(NeverAnswer(), fixtures::LocalhostIdentity());
  SpawnedProcess probe({ORDERWATCH_WINDOW_CLOSE_PROBE, store.Authority()},
                       {"QT_QPA_PLATFORM=offscreen"});
  ASSERT_TRUE(probe.Started());
  ASSERT_EQ(probe.ReadLine(seconds(20)), "started");
  ASSERT_TRUE(store.WaitForConnections(10, seconds(20)));

  Stopwatch stopwatch;
  probe.Signal(SIGUSR1);
  std::optional<int> status = probe.Wait(seconds(10));
  const auto took = stopwatch.Elapsed();
  ASSERT_TRUE(status.has_value()) << "the process is still running";
  EXPECT_TRUE(WIFEXITED(*status)) << *status;
  EXPECT_EQ(WEXITSTATUS(*status), 0) << probe.ReadErrors();
  EXPECT_LT(took, seconds(2));
  EXPECT_EQ(store.ConnectionCount(), 10);
  RecordOutcome("window", "closed with ten queries in flight", "process ended, status 0", took);
}

}  // namespace
}  // namespace ow::faults
