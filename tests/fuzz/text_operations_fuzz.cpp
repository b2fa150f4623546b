// The text operations on arbitrary bytes and integers, held against the character-walking
// model: any difference is a finding, not only a crash.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "text/reference_model.h"
#include "text/text.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Text keeps the bytes before the first zero byte; the model must see the same bytes.
std::string AsText(const std::string& bytes) {
  return bytes.substr(0, bytes.find('\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ow;
  fuzz::FuzzInput input(data, size);
  const std::string t = AsText(input.Piece());
  const std::string what = AsText(input.Piece());
  const std::string with = AsText(input.Piece());
  const int start = input.Integer();
  const int count = input.Integer();
  const bool fold = input.Flag();
  const bool countGiven = input.Flag();
  const std::optional<int> limit = countGiven ? std::optional<int>(count) : std::nullopt;

  Check(FindText(Text(t), Text(what), start, fold) == reference::Find(t, what, start, fold));
  Check(FindTextReverse(Text(t), Text(what), start, fold) ==
        reference::FindReverse(t, what, start, fold));
  Check(FindTextReverse(Text(t), Text(what), std::nullopt, fold) ==
        reference::FindReverse(t, what, std::nullopt, fold));
  Check(ReplaceText(Text(t), Text(what), Text(with), !fold, {.start = start, .count = limit})
            .View() == reference::Replace(t, what, with, !fold, start, limit));
  const TextArray pieces = SplitText(Text(t), Text(what), limit);
  const auto expected = reference::Split(t, what, limit);
  Check(ArrayCount(pieces) == static_cast<int>(expected.size()));
  for (int i = 1; i <= ArrayCount(pieces); ++i)
    Check(pieces[i].View() == expected[static_cast<std::size_t>(i - 1)]);

  // The rest must only stay within bounds and keep their length promises.
  Check(TextLength(LeftText(Text(t), start)) <= static_cast<int>(t.size()));
  Check(TextLength(RightText(Text(t), start)) <= static_cast<int>(t.size()));
  Check(TextLength(MidText(Text(t), start, count)) <= static_cast<int>(t.size()));
  Check(TextLength(TrimSpaces(Text(t))) <= static_cast<int>(t.size()));
  Check(TextLength(RemoveAllSpaces(Text(t))) <= static_cast<int>(t.size()));
  Check(TextLength(ToLower(Text(t))) == static_cast<int>(t.size()));
  (void)ToInteger(Text(t));
  (void)CharCode(Text(t), start);
  (void)TextBetween(Text(t), Text(what), Text(with), start, fold);
  (void)HeaderName(Text(t));
  (void)HeaderValue(Text(t));
  return 0;
}
