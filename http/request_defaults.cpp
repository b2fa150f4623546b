#include "http/request_defaults.h"

#include <array>
#include <string_view>

namespace ow {

using namespace std::string_view_literals;

namespace {

constexpr std::array<const char*, 8> kMethodNames = {"GET",     "POST",   "HEAD",  "PUT",
                                                     "OPTIONS", "DELETE", "TRACE", "CONNECT"};

// The Referer line repeats the address. A line break in the address (typed into an input box,
// or sent by a server in a redirect target) would end that line early and let the rest stand as
// a header line of its own, so CR and LF are written escaped, as the request line sends them.
Text RefererValue(const Text& url) {
  return ReplaceText(ReplaceText(url, "\r", "%0D", true), "\n", "%0A", true);
}

}  // namespace

int ValidMethodCode(int methodCode) {
  return methodCode >= 0 && methodCode < static_cast<int>(kMethodNames.size()) ? methodCode : 0;
}

Text MethodName(int methodCode) {
  return kMethodNames[ValidMethodCode(methodCode)];
}

void AddHeaderLineIfMissing(Text& block, std::string_view name, const Text& value) {
  if (FindText(block, ConcatText(Text(name), ":")) != -1) return;
  if (!block.Empty()) block.Append("\r\n"sv);
  block.Append(name);
  block.Append(": "sv);
  block.Append(value);
}

void AddCommonHeaderLines(Text& block, const Text& url) {
  AddHeaderLineIfMissing(block, "Accept", "*/*");
  AddHeaderLineIfMissing(block, "Referer", RefererValue(url));
  AddHeaderLineIfMissing(block, "Accept-Language", "zh-cn");
}

}  // namespace ow
