#include "http/wire_rules.h"

#include <cctype>
#include <cstring>

namespace ow {

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  }
  return true;
}

bool NeedsEscape(unsigned char c) {
  return c <= 0x20 || c >= 0x7F || std::strchr("\"<>[\\]^`{|}", c) != nullptr;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool IsValidHeaderName(std::string_view name) {
  if (name.empty()) return false;
  for (char ch : name) {
    auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F || c == ':') return false;
  }
  return true;
}

bool IsValidHeaderValue(std::string_view value) {
  return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string UrlScheme(std::string_view url) {
  if (StartsWithIgnoringCase(url, "https://")) return "https";
  if (StartsWithIgnoringCase(url, "http://")) return "http";
  return {};
}

std::string EscapeUrl(std::string_view url) {
  std::string scheme = UrlScheme(url);
  if (scheme.empty()) return {};
  std::size_t authorityStart = scheme.size() + 3;
  std::size_t authorityEnd = url.find_first_of("/?#", authorityStart);
  if (authorityEnd == std::string_view::npos) authorityEnd = url.size();
  std::string_view authority = url.substr(authorityStart, authorityEnd - authorityStart);
  std::string_view host = authority.substr(authority.rfind('@') + 1);  // after any user info
  if (host.empty() || host.front() == ':') return {};
  for (char c : authority) {
    if (NeedsEscape(static_cast<unsigned char>(c)) && c != '[' && c != ']') return {};
  }

  std::string escaped = scheme + "://" + std::string(authority);
  std::string_view rest = url.substr(authorityEnd);
  rest = rest.substr(0, rest.find('#'));
  if (rest.empty() || rest.front() == '?') escaped += '/';
  static const char kHex[] = "0123456789ABCDEF";
  for (char ch : rest) {
    auto c = static_cast<unsigned char>(ch);
    if (NeedsEscape(c)) {
      escaped += '%';
      escaped += kHex[c >> 4];
      escaped += kHex[c & 0x0F];
    } else {
      escaped += ch;
    }
  }
  return escaped;
}

std::optional<std::string> ProxyForScheme(std::string_view proxyList, std::string_view scheme) {
  std::optional<std::string> forAll;
  std::size_t pos = 0;
  while (pos < proxyList.size()) {
    std::size_t end = proxyList.find_first_of("; \t", pos);
    if (end == std::string_view::npos) end = proxyList.size();
    std::string_view entry = proxyList.substr(pos, end - pos);
    pos = end + 1;
    if (entry.empty()) continue;

    std::optional<std::string_view> entryScheme;
    if (std::size_t equals = entry.find('='); equals != std::string_view::npos) {
      entryScheme = entry.substr(0, equals);
      entry.remove_prefix(equals + 1);
    }
    if (StartsWithIgnoringCase(entry, "http://")) entry.remove_prefix(7);
    while (!entry.empty() && entry.back() == '/') entry.remove_suffix(1);
    if (entry.empty()) continue;
    std::string server(entry);
    std::size_t bracket = server.rfind(']');
    std::size_t colon = server.rfind(':');
    if (colon == std::string::npos || (bracket != std::string::npos && colon < bracket)) {
      server += ":80";
    }

    if (!entryScheme) {
      if (!forAll) forAll = server;
    } else if (EqualsIgnoringCase(*entryScheme, scheme)) {
      return server;
    }
  }
  return forAll;
}

}  // namespace ow
