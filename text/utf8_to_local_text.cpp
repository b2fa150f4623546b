// Conversions between code page 936 and the encodings of the outside world, each in the two
// steps of the platform: a size query, then the conversion into a buffer of that size.
#include <string>
#include <vector>

#include "text/code_page.h"
#include "text/convert.h"

namespace ow {

namespace {

std::u16string ToWide(unsigned codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  const int needed = MultiByteToWide(codePage, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::u16string wide(static_cast<std::size_t>(needed), u'\0');
  const int written = MultiByteToWide(codePage, bytes.data(), length, wide.data(), needed);
  wide.resize(static_cast<std::size_t>(written > 0 ? written : 0));
  return wide;
}

std::string FromWide(unsigned codePage, std::u16string_view wide) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int needed = WideToMultiByte(codePage, wide.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  const int written = WideToMultiByte(codePage, wide.data(), length, bytes.data(), needed);
  bytes.resize(static_cast<std::size_t>(written > 0 ? written : 0));
  return bytes;
}

}  // namespace

Text Utf8ToLocalText(const Bytes& utf8) {
  // A NUL character ends the result: Text keeps the bytes before the first zero byte.
  return Text(FromWide(kCodePageGbk, ToWide(kCodePageUtf8, utf8.View())));
}

std::u16string LocalTextToWide(const Text& text) {
  return ToWide(kCodePageGbk, text.View());
}

Text WideToLocalText(std::u16string_view wide) {
  return Text(FromWide(kCodePageGbk, wide));
}

std::string LocalTextToUtf8(const Text& text) {
  return FromWide(kCodePageUtf8, LocalTextToWide(text));
}

}  // namespace ow
