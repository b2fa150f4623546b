// The values and the plain-byte operations: lengths, joining, comparison, slicing, lists.
#include "text/text.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace ow {

namespace {

std::string_view UpToFirstZero(std::string_view bytes) {
  return bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
}

// Clamps a byte count from the 32-bit world to what a view holds.
std::size_t ClampCount(long long n, std::size_t size) {
  if (n <= 0) return 0;
  return std::min(static_cast<std::size_t>(n), size);
}

}  // namespace

Text::Text(const char* bytes) : present_(bytes != nullptr) {
  if (bytes != nullptr) bytes_ = bytes;
}

Text::Text(std::string_view bytes) : bytes_(UpToFirstZero(bytes)), present_(true) {}

Text::Text(std::string&& bytes) : bytes_(std::move(bytes)), present_(true) {
  bytes_.resize(UpToFirstZero(bytes_).size());
}

void Text::Append(std::string_view more) {
  present_ = true;
  bytes_.append(UpToFirstZero(more));
}

void Text::Reserve(int capacity) {
  present_ = true;
  if (capacity > 0) bytes_.reserve(static_cast<std::size_t>(capacity));
}

Bytes::Bytes(const void* data, int length) {
  if (data != nullptr && length > 0) bytes_.assign(static_cast<const char*>(data), length);
}

void Bytes::Append(const void* data, int length) {
  if (data != nullptr && length > 0)
    bytes_.append(static_cast<const char*>(data), static_cast<std::size_t>(length));
}

void Bytes::Reserve(int capacity) {
  if (capacity > 0) bytes_.reserve(static_cast<std::size_t>(capacity));
}

const Text& TextArray::operator[](int index) const {
  // Indexing outside the list is a fault of the calling logic; stop rather than read garbage.
  if (index < 1 || index > Count()) std::abort();
  return items_[static_cast<std::size_t>(index - 1)];
}

int TextLength(const Text& t) {
  return t.Length();
}

namespace detail {
Text ConcatViews(std::initializer_list<std::string_view> parts) {
  std::size_t total = 0;
  for (std::string_view part : parts) total += part.size();
  Text result("");
  result.Reserve(static_cast<int>(std::min<std::size_t>(total, INT32_MAX)));
  for (std::string_view part : parts) result.Append(part);
  return result;
}
}  // namespace detail

int CompareText(const Text& a, const Text& b) {
  const int order = a.View().compare(b.View());  // char_traits<char> compares as unsigned
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int BytesLength(const Bytes& b) {
  return b.Length();
}

Bytes ConcatBytes(std::initializer_list<std::string_view> parts) {
  std::size_t total = 0;
  for (std::string_view part : parts) total += part.size();
  Bytes result;
  result.Reserve(static_cast<int>(std::min<std::size_t>(total, INT32_MAX)));
  for (std::string_view part : parts) result.Append(part);
  return result;
}

bool CompareBytes(const Bytes& a, const Bytes& b) {
  return a.View() == b.View();
}

int ArrayCount(const TextArray& list) {
  return list.Count();
}
void ArrayAppend(TextArray& list, const Text& item) {
  list.Append(item);
}

int TruncateToInteger(double value) {
  // Out-of-range and NaN inputs saturate instead of invoking undefined behaviour.
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int>(value);
}

Text LeftText(const Text& t, int n) {
  return Text(t.View().substr(0, ClampCount(n, t.View().size())));
}

Text RightText(const Text& t, int n) {
  const std::size_t count = ClampCount(n, t.View().size());
  return Text(t.View().substr(t.View().size() - count));
}

Text MidText(const Text& t, int pos, int n) {
  const long long len = t.Length();
  if (pos < 1 || pos > len || n <= 0) return Text("");
  return Text(t.View().substr(static_cast<std::size_t>(pos - 1), static_cast<std::size_t>(n)));
}

int CharCode(const Text& t, int pos) {
  if (pos < 1 || pos > t.Length()) return 0;
  return static_cast<signed char>(t.At(pos - 1));
}

Text CharFromCode(unsigned char c) {
  if (c == 0) return Text();
  const char byte = static_cast<char>(c);
  return Text(std::string_view(&byte, 1));
}

unsigned char ToByte(int value) {
  return static_cast<unsigned char>(value & 0xFF);
}

Bytes ToBytes(const Text& t) {
  return Bytes(t.View());
}

Text BytesToText(const Bytes& b) {
  return Text(b.View());
}

Text BlankText(int n) {
  if (n < 1) return Text("");
  return Text(std::string(static_cast<std::size_t>(n), ' '));
}

Bytes BlankBytes(int n) {
  if (n < 1) return Bytes();
  return Bytes(std::string(static_cast<std::size_t>(n), '\0'));
}

Bytes LeftBytes(const Bytes& b, int n) {
  return Bytes(b.View().substr(0, ClampCount(n, b.View().size())));
}

}  // namespace ow
