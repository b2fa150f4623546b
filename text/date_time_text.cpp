// The date and time as the status line shows them.
#include <cstdio>

#include "text/text.h"

namespace ow {

Text DateTimeToText(const DateTime& d) {
  // 年 月 日 时 分 秒 in code page 936.
  constexpr const char* kYear = "\xC4\xEA";
  constexpr const char* kMonth = "\xD4\xC2";
  constexpr const char* kDay = "\xC8\xD5";
  constexpr const char* kHour = "\xCA\xB1";
  constexpr const char* kMinute = "\xB7\xD6";
  constexpr const char* kSecond = "\xC3\xEB";
  char buffer[128];
  int n = std::snprintf(buffer, sizeof buffer, "%d%s%d%s%d%s", d.year, kYear, d.month, kMonth,
                        d.day, kDay);
  const auto rest = sizeof buffer - static_cast<std::size_t>(n);
  // Trailing zero parts of the time are left out; exactly midnight shows the date alone.
  if (d.second != 0) {
    n += std::snprintf(buffer + n, rest, "%d%s%d%s%d%s", d.hour, kHour, d.minute, kMinute, d.second,
                       kSecond);
  } else if (d.minute != 0) {
    n += std::snprintf(buffer + n, rest, "%d%s%d%s", d.hour, kHour, d.minute, kMinute);
  } else if (d.hour != 0) {
    n += std::snprintf(buffer + n, rest, "%d%s", d.hour, kHour);
  }
  return Text(std::string_view(buffer, static_cast<std::size_t>(n)));
}

}  // namespace ow
