// Gathering and merging cookie texts from arbitrary bytes, with the promises of the merge: no
// deleted item and no exact duplicate survives, and every item the response set wins.
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "http/cookie_text.h"

namespace {

#define Check(condition) CheckAt(condition, __LINE__)
void CheckAt(bool condition, int line) {
  if (condition) return;
  std::fprintf(stderr, "cookie property broken at line %d\n", line);
  std::abort();
}

// Whether some item ends in a lead byte with nothing after it. The merge joins items with "; ",
// and such a lead byte then takes the ";" as its second byte, so that item and the next read
// as one: a property of the double-byte rule on broken text, not of the merge.
bool HasItemEndingInLoneLeadByte(const ow::Text& cookies) {
  for (const ow::Text& item : ow::SplitText(cookies, ";")) {
    const std::string_view bytes = item.View();
    bool loneLead = false;
    for (std::size_t i = 0; i < bytes.size();) {
      const bool lead = static_cast<unsigned char>(bytes[i]) >= 0x80;
      loneLead = lead && i + 1 == bytes.size();
      i += lead && i + 1 < bytes.size() ? 2 : 1;
    }
    if (loneLead) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ow;
  fuzz::FuzzInput input(data, size);
  const Text headers(input.Piece());
  const Text gathered = CollectResponseCookies(headers);
  Check(gathered.Length() <= headers.Length());

  const std::string oldText = input.Piece();
  Text oldCookies(oldText);
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
  if (HasItemEndingInLoneLeadByte(newWithoutSpaces) ||
      HasItemEndingInLoneLeadByte(RemoveAllSpaces(Text(oldText))))
    return 0;
  const TextArray fresh = SplitText(newWithoutSpaces, ";");
  for (int i = 1; i <= ArrayCount(fresh); ++i) {
    // An empty item may end the merged text as a bare "; ", which splitting does not count.
    if (fresh[i].Empty() || CompareText(RightText(fresh[i], 8), "=deleted") == 0) continue;
    Check(IndexOfText(items, fresh[i]) != -1);
  }
  return 0;
}
