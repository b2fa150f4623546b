#include "faults/fault_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <mutex>

#include "text/convert.h"

namespace ow::faults {

namespace {

struct Row {
  std::string layer;
  std::string fault;
  std::string outcome;
  long long ms;
};

std::mutex tableMutex;
std::vector<Row>& Table() {
  static std::vector<Row> rows;
  return rows;
}

class TablePrinter final : public ::testing::Environment {
 public:
  void TearDown() override {
    std::lock_guard lock(tableMutex);
    if (Table().empty()) return;
    std::printf("\n| layer | fault | outcome | worker ms |\n|---|---|---|---|\n");
    for (const Row& row : Table()) {
      std::printf("| %s | %s | %s | %lld |\n", row.layer.c_str(), row.fault.c_str(),
                  row.outcome.c_str(), row.ms);
    }
    std::fflush(stdout);
  }
};

// Registered before the tests run; GoogleTest owns and deletes it.
[[maybe_unused]] ::testing::Environment* const tablePrinter =
    ::testing::AddGlobalTestEnvironment(new TablePrinter);

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

}  // namespace

DateTime FixedClock() {
  return {2019, 3, 5, 14, 0, 0};
}

std::string TimeAloneLine() {
  return "---2019\xc4\xea"
         "3\xd4\xc2"
         "5\xc8\xd5"
         "14\xca\xb1";
}

std::string StatusLine(std::string_view utf8Description) {
  return std::string(Utf8ToLocalText(Bytes(utf8Description)).View()) + TimeAloneLine();
}

bool CarriesInjectedLine(std::string_view requestHead) {
  // Any line start counts, whether the line was ended by CR LF or by a bare LF or CR, since a
  // server may split lines at either.
  for (std::size_t i = 0; i < requestHead.size(); ++i) {
    if (requestHead[i] != '\n' && requestHead[i] != '\r') continue;
    std::string_view rest = requestHead.substr(i + 1);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    if (StartsWithIgnoringCase(rest, std::string(kInjectedHeaderName) + ":")) return true;
  }
  return false;
}

FixedInputs::FixedInputs(Text orderNumber, Text email)
    : orderNumber_(std::move(orderNumber)), email_(std::move(email)) {}

QueryOutcome RunQuery(const std::string& storeAuthority, const Text& orderNumber,
                      const Text& email) {
  FixedInputs inputs(orderNumber, email);
  Stopwatch stopwatch;
  QueryOrderStatus(QueryEnvironment{.controls = inputs,
                                    .storeHost = Text(storeAuthority),
                                    .requestPlatform = SystemRequestPlatform(),
                                    .internet = SystemInternetApi(),
                                    .now = &FixedClock});
  return {inputs.captions, stopwatch.Elapsed()};
}

void RecordOutcome(std::string_view layer, std::string_view fault, std::string_view outcome,
                   std::chrono::milliseconds took) {
  std::lock_guard lock(tableMutex);
  Table().push_back({std::string(layer), std::string(fault), std::string(outcome),
                     static_cast<long long>(took.count())});
}

std::string Describe(std::string_view bytes) {
  std::string shown;
  for (char c : bytes.substr(0, 24)) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F && c != '|') {
      shown += c;
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", u);
      shown += escaped;
    }
  }
  if (bytes.size() > 24) shown += "...";
  return std::to_string(bytes.size()) + " bytes \"" + shown + "\"";
}

}  // namespace ow::faults
