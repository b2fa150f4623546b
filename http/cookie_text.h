// Cookie text: items "name=value" joined by "; ", gathered from raw response headers and merged.
#pragma once

#include "text/text.h"

namespace ow {

Text CollectResponseCookies(const Text& headerText);
// Writes the merged text to oldCookies and newCookies' text without spaces back to newCookies.
Text MergeCookies(Text& oldCookies, Text& newCookies);

Text CookieName(const Text& item);
bool HasCookieName(const TextArray& list, const Text& name);
Text JoinDistinct(const Text& text, const Text& separator);
int IndexOfText(const TextArray& list, const Text& text);

}  // namespace ow
