// Operations that rewrite a text character by character: spaces, letter case, numbers.
#include <climits>

#include "text/char_walk.h"
#include "text/text.h"

namespace ow {

using detail::CharLengthAt;

namespace {

// An ASCII space, or the full-width space A1 A1, at `index`; answers its length or 0.
std::size_t SpaceLengthAt(std::string_view t, std::size_t index) {
  if (t[index] == ' ') return 1;
  if (static_cast<unsigned char>(t[index]) == 0xA1 && index + 1 < t.size() &&
      static_cast<unsigned char>(t[index + 1]) == 0xA1)
    return 2;
  return 0;
}

}  // namespace

Text TrimSpaces(const Text& t) {
  const std::string_view text = t.View();
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t space = SpaceLengthAt(text, begin);
    if (space == 0) break;
    begin += space;
  }
  // Walk the rest by character; the end is the end of the last character that is no space.
  std::size_t end = begin;
  for (std::size_t i = begin; i < text.size();) {
    const std::size_t step = CharLengthAt(text, i);
    if (SpaceLengthAt(text, i) == 0) end = i + step;
    i += step;
  }
  return Text(text.substr(begin, end - begin));
}

Text RemoveAllSpaces(const Text& t) {
  const std::string_view text = t.View();
  Text result("");
  result.Reserve(static_cast<int>(text.size()));
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t space = SpaceLengthAt(text, i);
    if (space != 0) {
      result.Append(text.substr(runStart, i - runStart));
      i += space;
      runStart = i;
    } else {
      i += CharLengthAt(text, i);
    }
  }
  result.Append(text.substr(runStart));
  return result;
}

Text ToLower(const Text& t) {
  const std::string_view text = t.View();
  std::string lowered(text);
  for (std::size_t i = 0; i < lowered.size();) {
    const std::size_t step = CharLengthAt(text, i);
    if (step == 1)
      lowered[i] = static_cast<char>(detail::FoldAscii(static_cast<unsigned char>(lowered[i])));
    i += step;
  }
  return Text(lowered);
}

int ToInteger(const Text& t) {
  // Full-width forms first become their half-width counterparts, character by character.
  const std::string_view text = t.View();
  std::string narrow;
  narrow.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t step = CharLengthAt(text, i);
    if (step == 2) {
      const auto lead = static_cast<unsigned char>(text[i]);
      const auto trail = static_cast<unsigned char>(text[i + 1]);
      if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
        narrow += static_cast<char>(trail - 0x80);
      } else if (lead == 0xA1 && trail == 0xA1) {
        narrow += ' ';
      } else if (lead == 0xA1 && trail == 0xAB) {
        narrow += '~';
      } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
        narrow += '*';
      } else {
        narrow.append(text.substr(i, 2));
      }
    } else {
      narrow += text[i];
    }
    i += step;
  }
  std::size_t i = 0;
  while (i < narrow.size() && (narrow[i] == ' ' || (narrow[i] >= '\t' && narrow[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < narrow.size() && (narrow[i] == '+' || narrow[i] == '-')) negative = narrow[i++] == '-';
  // Accumulate as a negative number so that INT_MIN is reachable, and saturate beyond it.
  long long value = 0;
  for (; i < narrow.size() && narrow[i] >= '0' && narrow[i] <= '9'; ++i) {
    value = value * 10 - (narrow[i] - '0');
    if (value < -static_cast<long long>(INT_MAX) - 1) return negative ? INT_MIN : INT_MAX;
  }
  if (negative) return static_cast<int>(value);
  return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}

}  // namespace ow
