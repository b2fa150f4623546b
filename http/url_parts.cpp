// The pieces are found by plain text search, so any text gives well-defined pieces and nothing
// is ever rejected.
#include "http/url_parts.h"

namespace ow {

Text UrlHost(const Text& url, bool keepPort) {
  Text s = ToLower(url);
  // A closing "/" ends the host of an address that has no path.
  if (CompareText(RightText(s, 1), "/") != 0) s = ConcatText(s, "/");

  Text host;
  if (CompareText(LeftText(s, 8), "https://") == 0) {
    host = TextBetween(s, "https://", "/");
  } else {
    if (FindText(s, "http://") == -1) s = ConcatText("http://", s);
    host = TextBetween(s, "http://", "/");
  }

  if (keepPort) return host;
  const int colon = FindText(host, ":");
  return colon == -1 ? host : LeftText(host, colon - 1);
}

int UrlPort(const Text& url) {
  const Text hostAndPort = UrlHost(url, true);
  const int colon = FindTextReverse(hostAndPort, ":");
  if (colon != -1) return ToInteger(RightText(hostAndPort, TextLength(hostAndPort) - colon));
  // Only the first five letters decide, so "https" without "://" also counts as secure.
  return CompareText(LeftText(ToLower(url), 5), "https") == 0 ? 443 : 80;
}

Text UrlPath(const Text& url) {
  const Text host = UrlHost(url);
  const int hostAt = FindText(url, host, 1, true);
  const int slashAt = FindText(url, "/", hostAt, true);
  if (slashAt == -1) return "/";
  return RightText(url, TextLength(url) - slashAt + 1);
}

}  // namespace ow
