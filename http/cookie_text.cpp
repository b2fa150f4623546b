#include "http/cookie_text.h"

#include <string>
#include <string_view>
#include <unordered_set>

namespace ow {

using namespace std::string_view_literals;

Text CollectResponseCookies(const Text& headerText) {
  Text result;
  for (const Text& line : SplitText(headerText, "\r\n")) {
    // The request routines have already written every spelling of the name as "Set-Cookie", so
    // an exact search is enough here.
    if (FindText(line, "Set-Cookie") == -1) continue;
    Text value;
    if (FindText(line, ";") == -1) {
      value = TrimSpaces(ReplaceText(line, "Set-Cookie:", "", false));
    } else {
      // Attributes (path, expiry and the like) follow the first ";" and are dropped.
      value = TrimSpaces(TextBetween(line, "Set-Cookie:", ";"));
    }
    result.Append(value);
    result.Append("; "sv);
  }
  return LeftText(result, TextLength(result) - 2);
}

Text MergeCookies(Text& oldCookies, Text& newCookies) {
  const Text oldText = RemoveAllSpaces(oldCookies);
  const Text newText = RemoveAllSpaces(newCookies);
  newCookies = newText;

  // New items come first and win; an old item enters only when no item already in the list
  // bears its name. The set holds exactly the names HasCookieName would find in the list, and
  // keeps the merge linear in the number of items.
  TextArray list = SplitText(newText, ";");
  std::unordered_set<std::string> namesInList;
  for (const Text& item : list) namesInList.emplace(CookieName(item).View());
  for (const Text& oldItem : SplitText(oldText, ";")) {
    if (namesInList.emplace(CookieName(oldItem).View()).second) ArrayAppend(list, oldItem);
  }

  // A deletion removes itself, and the old item it held back by name stays out as well.
  Text kept;
  for (const Text& item : list) {
    if (CompareText(RightText(item, 8), "=deleted") == 0) continue;
    kept.Append(item);
    kept.Append("; "sv);
  }
  kept = LeftText(kept, TextLength(kept) - 2);

  oldCookies = JoinDistinct(kept, "; ");
  return oldCookies;
}

Text CookieName(const Text& item) {
  const int equals = FindText(item, "=");
  return equals == -1 ? TrimSpaces(item) : TrimSpaces(LeftText(item, equals - 1));
}

bool HasCookieName(const TextArray& list, const Text& name) {
  for (const Text& element : list) {
    if (CompareText(CookieName(element), name) == 0) return true;
  }
  return false;
}

Text JoinDistinct(const Text& text, const Text& separator) {
  // The set holds exactly the parts IndexOfText would find among those kept, in constant time.
  const TextArray parts = SplitText(text, separator);
  std::unordered_set<std::string_view> kept;
  Text joined;
  for (const Text& part : parts) {
    if (!kept.insert(part.View()).second) continue;
    joined.Append(part);
    joined.Append(separator);
  }
  return LeftText(joined, TextLength(joined) - TextLength(separator));
}

int IndexOfText(const TextArray& list, const Text& text) {
  int index = 1;
  for (const Text& element : list) {
    if (CompareText(element, text) == 0) return index;
    ++index;
  }
  return -1;
}

}  // namespace ow
