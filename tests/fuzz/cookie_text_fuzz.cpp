// Gathering and merging cookie texts from arbitrary bytes, with the promises of the merge: no
// deleted item and no exact duplicate survives, and every item the response set wins.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "http/cookie_text.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ow;
  fuzz::FuzzInput input(data, size);
  const Text headers(input.Piece());
  const Text gathered = CollectResponseCookies(headers);
  Check(gathered.Length() <= headers.Length());

  Text oldCookies(input.Piece());
  Text newCookies(input.Flag() ? gathered.View() : input.Piece());
  const Text newWithoutSpaces = RemoveAllSpaces(newCookies);
  const Text merged = MergeCookies(oldCookies, newCookies);
  Check(oldCookies == merged);
  Check(newCookies == newWithoutSpaces);

  const TextArray items = SplitText(merged, "; ");
  for (int i = 1; i <= ArrayCount(items); ++i) {
    Check(CompareText(RightText(items[i], 8), "=deleted") != 0);
    for (int j = i + 1; j <= ArrayCount(items); ++j) Check(CompareText(items[i], items[j]) != 0);
  }
  const TextArray fresh = SplitText(newWithoutSpaces, ";");
  for (int i = 1; i <= ArrayCount(fresh); ++i) {
    if (CompareText(RightText(fresh[i], 8), "=deleted") == 0) continue;
    Check(IndexOfText(items, fresh[i]) != -1);
  }
  return 0;
}
