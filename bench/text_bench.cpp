// The text engine on page-sized inputs, beside the C library and ICU on the same bytes.
#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>

#include <cstring>
#include <string>

#include "text/convert.h"
#include "text/text.h"

namespace {

constexpr std::size_t kPageSize = 8u << 20;

// An 8 MB page of markup with Chinese text in code page 936, the status marker at its end.
const std::string& GbkPage() {
  static const std::string page = [] {
    const std::string block =
        "<div class=\"row\"><span>\xB6\xA9\xB5\xA5\xD7\xB4\xCC\xAC</span> \"item\":\"A1\","
        " \xD2\xD1\xB7\xA2\xBB\xF5\xA3\xAC\xD5\xFD\xD4\xDA\xB4\xA6\xC0\xED</div>\r\n";
    std::string s;
    s.reserve(kPageSize + 128);
    while (s.size() < kPageSize) s += block;
    s += "\"currentStatus\":\"SHIPPED\", \"SHIPPED\" : \"\xD2\xD1\xB7\xA2\xBB\xF5\",";
    return s;
  }();
  return page;
}

// The same kind of page in UTF-8, mostly Chinese.
const std::string& Utf8Page() {
  static const std::string page = [] {
    const std::string block =
        "\xE8\xAE\xA2\xE5\x8D\x95\xE7\x8A\xB6\xE6\x80\x81\xEF\xBC\x9A\xE5\xB7\xB2\xE5\x8F\x91"
        "\xE8\xB4\xA7\xEF\xBC\x8C\xE6\xAD\xA3\xE5\x9C\xA8\xE9\x85\x8D\xE9\x80\x81<br>";
    std::string s;
    s.reserve(kPageSize + 64);
    while (s.size() < kPageSize) s += block;
    return s;
  }();
  return page;
}

void BM_FindText(benchmark::State& state) {
  const ow::Text page(GbkPage());
  for (auto _ : state) benchmark::DoNotOptimize(ow::FindText(page, "\"currentStatus\":\""));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.Length()));
}

void BM_Memmem(benchmark::State& state) {
  const std::string& page = GbkPage();
  const char* needle = "\"currentStatus\":\"";
  for (auto _ : state)
    benchmark::DoNotOptimize(memmem(page.data(), page.size(), needle, std::strlen(needle)));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

void BM_TextBetween(benchmark::State& state) {
  const ow::Text page(GbkPage());
  for (auto _ : state) benchmark::DoNotOptimize(ow::TextBetween(page, "\"SHIPPED\" : \"", "\","));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.Length()));
}

void BM_ReplaceTextFoldingCase(benchmark::State& state) {
  const ow::Text page(GbkPage());
  for (auto _ : state)
    benchmark::DoNotOptimize(ow::ReplaceText(page, "Set-Cookie", "Set-Cookie", false));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.Length()));
}

void BM_SplitTextAtLineBreaks(benchmark::State& state) {
  const ow::Text page(GbkPage());
  for (auto _ : state) benchmark::DoNotOptimize(ow::SplitText(page, "\r\n"));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.Length()));
}

void BM_Utf8ToLocalText(benchmark::State& state) {
  const ow::Bytes page(Utf8Page());
  ow::Utf8ToLocalText(ow::Bytes("warm"));  // the tables are read once per process
  for (auto _ : state) benchmark::DoNotOptimize(ow::Utf8ToLocalText(page));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.Length()));
}

// ICU doing the same whole job: ask for the size, make the buffer, convert into it.
void BM_IcuConvertUtf8To936(benchmark::State& state) {
  const std::string& page = Utf8Page();
  const auto length = static_cast<int32_t>(page.size());
  for (auto _ : state) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t needed =
        ucnv_convert("windows-936-2000", "UTF-8", nullptr, 0, page.data(), length, &status);
    std::string out(static_cast<std::size_t>(needed), '\0');
    status = U_ZERO_ERROR;
    benchmark::DoNotOptimize(ucnv_convert("windows-936-2000", "UTF-8", out.data(), needed,
                                          page.data(), length, &status));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

// Appending 1024-byte chunks as the request routines do; time per byte must not grow with size.
void BM_AppendChunks(benchmark::State& state) {
  const std::string chunk(1024, 'x');
  const auto total = static_cast<std::size_t>(state.range(0)) << 20;
  for (auto _ : state) {
    ow::Bytes body;
    for (std::size_t size = 0; size < total; size += chunk.size()) body.Append(chunk);
    benchmark::DoNotOptimize(body.Length());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}

BENCHMARK(BM_FindText);
BENCHMARK(BM_Memmem);
BENCHMARK(BM_TextBetween);
BENCHMARK(BM_ReplaceTextFoldingCase);
BENCHMARK(BM_SplitTextAtLineBreaks);
BENCHMARK(BM_Utf8ToLocalText);
BENCHMARK(BM_IcuConvertUtf8To936);
BENCHMARK(BM_AppendChunks)->Arg(4)->Arg(40)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
