// What the fault tests share: the query run against stores on 127.0.0.1 with a fixed clock, a
// stopwatch for how long a worker took, the check that no request carried a header line it
// should not, and the outcome table that the test program prints at its end.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "query/order_status_query.h"
#include "text/text.h"

namespace ow::faults {

// The clock every query here reads, and what the status line says for it after "---".
DateTime FixedClock();
// "---2019年3月5日14时" in code page 936: the whole status line of a query that found nothing.
std::string TimeAloneLine();
// description (UTF-8) + "---" + the date and time, in code page 936.
std::string StatusLine(std::string_view utf8Description);

// The header line a test tries to smuggle into a request, and the check that it never arrived.
inline constexpr std::string_view kInjectedHeaderName = "X-Injected";
// True when some line of a request head, after the request line, starts a header named
// kInjectedHeaderName (in any letter case).
bool CarriesInjectedLine(std::string_view requestHead);

// Inputs as the window's boxes would hold them (code page 936); every status line written is
// kept.
class FixedInputs final : public ControlAccessors {
 public:
  FixedInputs(Text orderNumber, Text email);
  Text Read编辑框1() override { return orderNumber_; }
  Text Read编辑框2() override { return email_; }
  void Write标签3(const Text& caption) override { captions.push_back(std::string(caption.View())); }

  std::vector<std::string> captions;

 private:
  Text orderNumber_;
  Text email_;
};

struct QueryOutcome {
  std::vector<std::string> captions;  // every status line the query wrote
  std::chrono::milliseconds took{0};
};

// One whole query with the system's request backends against the store at `storeAuthority`
// ("127.0.0.1:PORT"), with the clock fixed.
QueryOutcome RunQuery(const std::string& storeAuthority, const Text& orderNumber = "W100001",
                      const Text& email = "demo@example.com");

class Stopwatch {
 public:
  std::chrono::milliseconds Elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_);
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Adds one row to the outcome table: which layer met which fault, what came of it, and how long
// the worker took. The table is printed when the test program ends.
void RecordOutcome(std::string_view layer, std::string_view fault, std::string_view outcome,
                   std::chrono::milliseconds took);

// A short, printable account of an answer for the table: its length and first bytes.
std::string Describe(std::string_view bytes);

}  // namespace ow::faults
