#include "http/request_defaults.h"

#include <array>
#include <string_view>

namespace ow {

using namespace std::string_view_literals;

namespace {

constexpr std::array<const char*, 8> kMethodNames = {"GET",     "POST",   "HEAD",  "PUT",
                                                     "OPTIONS", "DELETE", "TRACE", "CONNECT"};

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

Text EscapeLineBreaks(const Text& url) {
  return ReplaceText(ReplaceText(url, "\r", "%0D", true), "\n", "%0A", true);
}

void AddCommonHeaderLines(Text& block, const Text& url) {
  AddHeaderLineIfMissing(block, "Accept", "*/*");
  AddHeaderLineIfMissing(block, "Referer", EscapeLineBreaks(url));
  AddHeaderLineIfMissing(block, "Accept-Language", "zh-cn");
}

}  // namespace ow
