// UTF-8 to code page 936 and back on arbitrary bytes: never a crash, never an empty result for a
// page that starts with a printable ASCII character, and the way back and forth again is exact.
#include <cstdlib>

#include "text/convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ow;
  const Bytes page(data, static_cast<int>(size));
  const Text local = Utf8ToLocalText(page);
  if (size > 0 && data[0] >= 0x20 && data[0] < 0x7F &&
      (local.Empty() || local.View()[0] != static_cast<char>(data[0])))
    std::abort();
  const std::u16string wide = LocalTextToWide(local);
  if (WideToLocalText(wide) != local) std::abort();
  (void)LocalTextToUtf8(local);
  return 0;
}
