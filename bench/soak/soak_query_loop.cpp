// soak-query-loop: the refresh cycle, sped up, against a store. A query starts on a new detached
// worker every PERIOD milliseconds, as the refresh timer starts them, until QUERIES have been
// started. After every SAMPLE queries the loop lets the queries in flight finish, waits for their
// threads to end and samples its own resident memory, descriptors and threads.
//
// It ends with status 1 when descriptors or threads did not come back to where they were before
// the first query, when resident memory or the heap in use grew by more than the limit after the
// warm-up, or when a status line was neither a demo order's status nor the time alone.
//
//   soak-query-loop --store HOST:PORT [--queries N] [--period-ms N] [--sample-every N]
//                   [--warm-up N] [--max-growth-kb N] [--order TEXT] [--email TEXT]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/worker_thread.h"
#include "bench/soak/process_sample.h"
#include "query/order_status_query.h"
#include "text/convert.h"
#include "tools/demo-store/demo_orders.h"

namespace ow::soak {
namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string store;
  long queries = 10000;
  long periodMs = 5;
  long sampleEvery = 500;
  long warmUp = 1000;
  long maxGrowthKb = 1024;
  std::string order = "W100001";
  std::string email = "demo@example.com";
};

// The inputs, and a tally of every status line the queries write.
class LoopControls final : public ControlAccessors {
 public:
  LoopControls(const Options& options) : order_(options.order), email_(options.email) {
    for (const demo::OrderStatus& status : demo::OrderStatuses()) {
      descriptions_.push_back(std::string(Utf8ToLocalText(Bytes(status.description)).View()) +
                              "---");
    }
  }

  Text Read编辑框1() override { return order_; }
  Text Read编辑框2() override { return email_; }
  void Write标签3(const Text& caption) override {
    const std::string_view line = caption.View();
    std::lock_guard lock(mutex_);
    if (line.substr(0, 3) == "---") {
      ++timeAlone_;
    } else if (std::any_of(descriptions_.begin(), descriptions_.end(),
                           [&](const auto& d) { return line.substr(0, d.size()) == d; })) {
      ++rightStatus_;
    } else {
      ++wrong_;
      std::fprintf(stderr, "soak-query-loop: unexpected status line \"%s\"\n",
                   LocalTextToUtf8(caption).c_str());
    }
  }

  void QueryEnded(Clock::duration took) {
    std::lock_guard lock(mutex_);
    ++finished_;
    longest_ = std::max(longest_, took);
    ended_.notify_all();
  }

  // Waits until `count` queries have ended; false when that takes longer than `limit`.
  bool WaitForEnded(long count, Clock::duration limit) {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, limit, [&] { return finished_ >= count; });
  }

  void PrintTally() {
    std::lock_guard lock(mutex_);
    std::printf("%7ld %8ld %7ld %12lld", rightStatus_, timeAlone_, wrong_,
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(longest_).count()));
  }
  long Wrong() {
    std::lock_guard lock(mutex_);
    return wrong_;
  }

 private:
  const Text order_;
  const Text email_;
  std::vector<std::string> descriptions_;
  std::mutex mutex_;
  std::condition_variable ended_;
  long finished_ = 0;
  long rightStatus_ = 0;
  long timeAlone_ = 0;
  long wrong_ = 0;
  Clock::duration longest_{};
};

// How far a figure rose above its first value after the warm-up.
struct Growth {
  long first = -1;
  long highest = -1;
  void Add(long kb) {
    if (first < 0) first = kb;
    highest = std::max(highest, kb);
  }
  long Kb() const { return first < 0 ? 0 : highest - first; }
};

struct QueryRun {
  LoopControls* controls;
  const std::string* store;
  Clock::time_point started;
};

void QueryThreadMain(void* parameter) {
  auto* run = static_cast<QueryRun*>(parameter);
  QueryOrderStatus(QueryEnvironment{.controls = *run->controls,
                                    .storeHost = Text(*run->store),
                                    .requestPlatform = SystemRequestPlatform(),
                                    .internet = SystemInternetApi()});
  run->controls->QueryEnded(Clock::now() - run->started);
  delete run;
}

// A detached thread is still counted for a moment after its routine has returned.
ProcessSample SettledSample(int threads) {
  ProcessSample sample = SampleProcess();
  for (int i = 0; i < 500 && sample.threads > threads; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    sample = SampleProcess();
  }
  return sample;
}

int Run(const Options& options) {
  LoopControls controls(options);
  const ProcessSample baseline = SampleProcess();
  std::printf("soak-query-loop: %ld queries against %s, one every %ld ms\n", options.queries,
              options.store.c_str(), options.periodMs);
  std::printf("%8s %10s %9s %5s %8s %7s %8s %7s %12s\n", "queries", "rss_kb", "heap_kb", "fds",
              "threads", "status", "time", "wrong", "longest_ms");
  std::printf("%8d %10ld %9ld %5d %8d\n", 0, baseline.residentKb, baseline.heapInUseKb,
              baseline.openFds, baseline.threads);
  std::fflush(stdout);

  bool sound = true;
  Growth resident;
  Growth heap;
  auto nextStart = Clock::now();
  for (long started = 1; started <= options.queries; ++started) {
    auto* run = new QueryRun{&controls, &options.store, Clock::now()};
    if (!StartWorkerThread(&QueryThreadMain, run)) {
      std::fprintf(stderr, "soak-query-loop: no thread for query %ld\n", started);
      delete run;
      return 1;
    }
    nextStart += std::chrono::milliseconds(options.periodMs);
    std::this_thread::sleep_until(nextStart);
    if (started % options.sampleEvery != 0 && started != options.queries) continue;

    if (!controls.WaitForEnded(started, std::chrono::minutes(2))) {
      std::fprintf(stderr, "soak-query-loop: queries still running after two minutes\n");
      return 1;
    }
    const ProcessSample sample = SettledSample(baseline.threads);
    std::printf("%8ld %10ld %9ld %5d %8d ", started, sample.residentKb, sample.heapInUseKb,
                sample.openFds, sample.threads);
    controls.PrintTally();
    std::printf("\n");
    std::fflush(stdout);
    if (sample.openFds != baseline.openFds || sample.threads != baseline.threads) sound = false;
    if (started >= options.warmUp) {
      resident.Add(sample.residentKb);
      heap.Add(sample.heapInUseKb);
    }
    nextStart = Clock::now();
  }

  std::printf("growth after warm-up: resident %ld kB, heap %ld kB (limit %ld kB)\n", resident.Kb(),
              heap.Kb(), options.maxGrowthKb);
  if (resident.Kb() > options.maxGrowthKb || heap.Kb() > options.maxGrowthKb) sound = false;
  if (controls.Wrong() != 0) sound = false;
  std::printf("soak-query-loop: %s\n", sound ? "flat" : "NOT FLAT");
  return sound ? 0 : 1;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view flag = argv[i];
    const char* value = argv[i + 1];
    auto number = [value](long& out, long low) {
      char* end = nullptr;
      out = std::strtol(value, &end, 10);
      return end != value && *end == '\0' && out >= low;
    };
    bool understood = false;
    if (flag == "--store") {
      options.store = value;
      understood = true;
    }
    if (flag == "--order" || flag == "--email") {
      (flag == "--order" ? options.order : options.email) = value;
      understood = true;
    }
    if (flag == "--queries") understood = number(options.queries, 1);
    if (flag == "--period-ms") understood = number(options.periodMs, 0);
    if (flag == "--sample-every") understood = number(options.sampleEvery, 1);
    if (flag == "--warm-up") understood = number(options.warmUp, 0);
    if (flag == "--max-growth-kb") understood = number(options.maxGrowthKb, 0);
    if (!understood) return false;
  }
  return argc % 2 == 1 && !options.store.empty();
}

}  // namespace
}  // namespace ow::soak

int main(int argc, char** argv) {
  ow::soak::Options options;
  if (!ow::soak::ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: soak-query-loop --store HOST:PORT [--queries N] [--period-ms N] "
                 "[--sample-every N] [--warm-up N] [--max-growth-kb N] [--order TEXT] "
                 "[--email TEXT]\n");
    return 2;
  }
  return ow::soak::Run(options);
}
