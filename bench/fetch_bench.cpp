// Whole calls of the two request routines against a loopback server: a small page, and the
// 4 MB and 40 MB bodies that show whether the body path stays linear.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "fixtures/test_servers.h"
#include "http/win_http_fetch.h"
#include "http/win_inet_fetch.h"

namespace {

using ow::fixtures::HttpServer;

HttpServer& Server() {
  static HttpServer* server = [] {
    auto* s = new HttpServer;
    for (long size : {16L * 1024, 4L * 1024 * 1024, 40L * 1024 * 1024}) {
      ow::fixtures::ScriptedResponse response;
      response.sharedBody =
          std::make_shared<const std::string>(static_cast<std::size_t>(size), 'b');
      s->Route("/body/" + std::to_string(size), ow::fixtures::RespondWith(response));
    }
    return s;
  }();
  return *server;
}

ow::Text BodyUrl(long size) {
  return ow::Text(Server().Url("/body/" + std::to_string(size)));
}

void WinInetFetchBody(benchmark::State& state) {
  const ow::Text url = BodyUrl(state.range(0));
  for (auto _ : state) {
    ow::Bytes body = ow::WinInetFetch({.url = url});
    if (body.Length() != state.range(0)) state.SkipWithError("short body");
    benchmark::DoNotOptimize(body);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void WinHttpFetchBody(benchmark::State& state) {
  const ow::Text url = BodyUrl(state.range(0));
  for (auto _ : state) {
    ow::Bytes body = ow::WinHttpFetch({.url = url});
    if (body.Length() != state.range(0)) state.SkipWithError("short body");
    benchmark::DoNotOptimize(body);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(WinInetFetchBody)
    ->Arg(16 * 1024)
    ->Arg(4 * 1024 * 1024)
    ->Arg(40 * 1024 * 1024)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(WinHttpFetchBody)
    ->Arg(16 * 1024)
    ->Arg(4 * 1024 * 1024)
    ->Arg(40 * 1024 * 1024)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
