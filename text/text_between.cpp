// Small operations built on the search: the text between two markers, and header lines.
#include "text/text.h"

namespace ow {

namespace {

// "#引号" in code page 936: lets a marker name a double quote.
constexpr const char* kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

}  // namespace

Text TextBetween(const Text& t, const Text& left, const Text& right, int start,
                 bool caseInsensitive) {
  const Text leftMarker = ReplaceText(left, kQuotePlaceholder, "\"", true);
  const Text rightMarker = ReplaceText(right, kQuotePlaceholder, "\"", true);
  int p = FindText(t, leftMarker, start, caseInsensitive);
  if (p == -1) return Text("");
  p += leftMarker.Length();
  const int q = FindText(t, rightMarker, p, caseInsensitive);
  if (q == -1) return Text("");
  return MidText(t, p, q - p);
}

Text HeaderName(const Text& line) {
  const int p = FindText(line, ":");
  if (p == -1) return Text("");
  return TrimSpaces(LeftText(line, p - 1));
}

Text HeaderValue(const Text& line) {
  const int p = FindText(line, ":");
  if (p == -1) return Text("");
  return TrimSpaces(RightText(line, TextLength(line) - p));
}

}  // namespace ow
