// Search, replacement and splitting: every match starts on a character start.
#include <algorithm>

#include "text/char_walk.h"
#include "text/text.h"

namespace ow {

using detail::CharLengthAt;
using detail::CharStartFinder;

namespace {

// A 1-based start becomes a 0-based offset; starts of 1 or below mean the beginning.
std::size_t OffsetOf(long long start) {
  return start > 1 ? static_cast<std::size_t>(start - 1) : 0;
}

}  // namespace

int FindText(const Text& t, const Text& what, int start, bool caseInsensitive) {
  const std::string_view text = t.View();
  const std::size_t offset = OffsetOf(start);
  if (offset >= text.size()) return -1;
  if (what.Empty()) return 1;
  CharStartFinder finder(text, what.View(), caseInsensitive);
  finder.RestartAt(offset);
  const std::size_t found = finder.Next(offset);
  return found == std::string_view::npos ? -1 : static_cast<int>(found + 1);
}

int FindTextReverse(const Text& t, const Text& what, std::optional<int> start,
                    bool caseInsensitive) {
  const std::string_view text = t.View();
  std::size_t limit = text.size();  // only matches that end within the first `limit` bytes
  if (start.has_value()) {
    const std::size_t offset = OffsetOf(*start);
    limit = offset == 0 ? 0 : std::min(offset, text.size());
  }
  if (what.Empty()) return limit > 0 ? 1 : -1;
  CharStartFinder finder(text.substr(0, limit), what.View(), caseInsensitive);
  int last = -1;
  // Occurrences may overlap, so the walk resumes at the character after each match. The
  // shortened view can only cut the final character, which no full match can start on.
  for (std::size_t from = 0;;) {
    const std::size_t found = finder.Next(from);
    if (found == std::string_view::npos) break;
    last = static_cast<int>(found + 1);
    from = found + CharLengthAt(text, found);
    finder.RestartAt(from);
  }
  return last;
}

Text ReplaceText(const Text& t, const Text& what, const Text& with, bool caseSensitive,
                 ReplaceRange range) {
  const std::string_view text = t.View();
  const std::size_t offset = OffsetOf(range.start);
  if (text.empty() || what.Empty() || offset >= text.size() ||
      (range.count.has_value() && *range.count == 0))
    return t;
  Text result("");
  result.Reserve(static_cast<int>(text.size()));
  result.Append(text.substr(0, offset));
  CharStartFinder finder(text, what.View(), !caseSensitive);
  finder.RestartAt(offset);
  std::size_t place = offset;
  int replaced = 0;
  for (;;) {
    const std::size_t found = finder.Next(place);
    if (found == std::string_view::npos) break;
    result.Append(text.substr(place, found - place));
    result.Append(with);
    place = found + what.View().size();
    finder.RestartAt(place);
    if (range.count.has_value() && ++replaced == *range.count) break;
  }
  result.Append(text.substr(place));
  return result;
}

TextArray SplitText(const Text& t, const Text& delimiter, std::optional<int> count) {
  TextArray pieces;
  const std::string_view text = t.View();
  const int limit = count.has_value() ? std::max(*count, 0) : -1;
  if (text.empty() || limit == 0) return pieces;
  if (delimiter.Empty()) {
    pieces.Append(t);
    return pieces;
  }
  CharStartFinder finder(text, delimiter.View(), false);
  std::size_t pieceStart = 0;
  for (;;) {
    const std::size_t found = finder.Next(pieceStart);
    if (found == std::string_view::npos) break;
    pieces.Append(Text(text.substr(pieceStart, found - pieceStart)));
    if (pieces.Count() == limit) return pieces;
    pieceStart = found + delimiter.View().size();
    finder.RestartAt(pieceStart);
  }
  if (pieceStart < text.size()) pieces.Append(Text(text.substr(pieceStart)));
  return pieces;
}

}  // namespace ow
