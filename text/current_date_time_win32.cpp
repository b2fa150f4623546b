// The clock on Windows: the local time as the system keeps it, in whole seconds.
#include <windows.h>

#include "text/text.h"

namespace ow {

DateTime CurrentDateTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return DateTime{.year = now.wYear,
                  .month = now.wMonth,
                  .day = now.wDay,
                  .hour = now.wHour,
                  .minute = now.wMinute,
                  .second = now.wSecond};
}

}  // namespace ow
