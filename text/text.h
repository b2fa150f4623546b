// Text, Bytes and TextArray: the three values every rule of the program works on.
//
// Text is byte text in code page 936 that never holds a zero byte. It is either absent or
// present; every operation treats an absent text and a present empty one alike, and only a
// platform call sees the difference (a null pointer versus a pointer to a NUL byte).
// Bytes is a counted byte string in which zero bytes are allowed.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ow {

class Text {
 public:
  // The absent text.
  Text() = default;
  // A present text. Bytes from the first zero byte on are dropped, so a Text never holds one.
  Text(const char* bytes);  // NOLINT(google-explicit-constructor): literals read as texts
  explicit Text(std::string_view bytes);
  // Takes the buffer over instead of copying it; bytes from the first zero byte on are dropped.
  explicit Text(std::string&& bytes);

  bool IsAbsent() const { return !present_; }
  // For platform calls: null for the absent text, otherwise a NUL-terminated buffer.
  const char* CStr() const { return present_ ? bytes_.c_str() : nullptr; }
  // Never null; an absent text gives "".
  const char* Data() const { return bytes_.c_str(); }
  int Length() const { return static_cast<int>(bytes_.size()); }
  bool Empty() const { return bytes_.empty(); }
  std::string_view View() const { return bytes_; }
  unsigned char At(int zeroBasedIndex) const {
    return static_cast<unsigned char>(bytes_[static_cast<std::size_t>(zeroBasedIndex)]);
  }

  // The efficient append path: amortised constant time per byte, so building a text piece by
  // piece stays linear. The text becomes present. Zero bytes end what is appended.
  void Append(std::string_view more);
  void Append(const Text& more) { Append(more.View()); }
  void Append(const char* more) { Append(std::string_view(more == nullptr ? "" : more)); }
  void Reserve(int capacity);

 private:
  std::string bytes_;
  bool present_ = false;
};

// Value equality of the bytes (absent equals present-empty).
inline bool operator==(const Text& a, const Text& b) {
  return a.View() == b.View();
}

class Bytes {
 public:
  Bytes() = default;
  explicit Bytes(std::string_view bytes) : bytes_(bytes) {}
  Bytes(const void* data, int length);

  // For platform calls: null when empty.
  const unsigned char* Data() const {
    return bytes_.empty() ? nullptr : reinterpret_cast<const unsigned char*>(bytes_.data());
  }
  int Length() const { return static_cast<int>(bytes_.size()); }
  bool Empty() const { return bytes_.empty(); }
  std::string_view View() const { return bytes_; }

  // Amortised constant time per byte, like Text::Append.
  void Append(std::string_view more) { bytes_.append(more); }
  void Append(const void* data, int length);
  void Reserve(int capacity);

 private:
  std::string bytes_;
};

inline bool operator==(const Bytes& a, const Bytes& b) {
  return a.View() == b.View();
}

// An ordered list of texts addressed 1..ArrayCount.
class TextArray {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // 1 <= index <= Count(); anything else is a fault of the caller and stops the process.
  const Text& operator[](int index) const;
  void Append(Text item) { items_.push_back(std::move(item)); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<Text> items_;
};

struct DateTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
};

// ---- Lengths, joining, comparison, lists ----------------------------------------------------

int TextLength(const Text& t);

namespace detail {
Text ConcatViews(std::initializer_list<std::string_view> parts);
inline std::string_view AsView(const Text& t) {
  return t.View();
}
inline std::string_view AsView(const char* literal) {
  return literal;
}
}  // namespace detail

// The parts one after another; always a present text.
template <class... Parts>
Text ConcatText(const Parts&... parts) {
  static_assert(sizeof...(parts) >= 2, "ConcatText joins two or more parts");
  return detail::ConcatViews({detail::AsView(parts)...});
}

// -1, 0 or 1, comparing bytes as unsigned values.
int CompareText(const Text& a, const Text& b);

int BytesLength(const Bytes& b);
Bytes ConcatBytes(std::initializer_list<std::string_view> parts);
template <class... Parts>
Bytes ConcatBytes(const Parts&... parts) {
  static_assert(sizeof...(parts) >= 2, "ConcatBytes joins two or more parts");
  return ConcatBytes({parts.View()...});
}
bool CompareBytes(const Bytes& a, const Bytes& b);  // true when equal

int ArrayCount(const TextArray& list);
void ArrayAppend(TextArray& list, const Text& item);

int TruncateToInteger(double value);

// ---- Search, replacement, splitting, spaces -------------------------------------------------
// Positions are 1-based; -1 means not found. Searches never start a match on the second byte
// of a double-byte character. Case folding touches the ASCII letters only.

// A start of 1 or below searches from the beginning.
int FindText(const Text& t, const Text& what, int start = 0, bool caseInsensitive = false);

// The last occurrence that ends before `start`; without a start, the last in the whole text.
int FindTextReverse(const Text& t, const Text& what, std::optional<int> start = std::nullopt,
                    bool caseInsensitive = false);

struct ReplaceRange {
  int start = 1;             // where the search begins; 1 or below is the beginning
  std::optional<int> count;  // at most this many replacements; none: no limit
};
// Replaces occurrences of `what` by `with` (the empty text removes them). Note that the flag is
// caseSensitive here, the opposite sense of FindText's.
Text ReplaceText(const Text& t, const Text& what, const Text& with, bool caseSensitive,
                 ReplaceRange range = {});

// Splits at an exact delimiter (default ","). Keeps empty pieces except a last one.
TextArray SplitText(const Text& t, const Text& delimiter = ",",
                    std::optional<int> count = std::nullopt);

// ASCII spaces and full-width spaces (A1 A1).
Text TrimSpaces(const Text& t);
Text RemoveAllSpaces(const Text& t);

// ---- Slicing (plain bytes; may cut a double-byte character) ---------------------------------

Text LeftText(const Text& t, int n);
Text RightText(const Text& t, int n);
Text MidText(const Text& t, int pos, int n);

// ---- Conversions ----------------------------------------------------------------------------

Text ToLower(const Text& t);
// Digits beyond the 32-bit range saturate at INT_MIN or INT_MAX.
int ToInteger(const Text& t);
int CharCode(const Text& t, int pos = 1);
Text CharFromCode(unsigned char c);
unsigned char ToByte(int value);
Bytes ToBytes(const Text& t);
Text BytesToText(const Bytes& b);
Text BlankText(int n);
Bytes BlankBytes(int n);
Bytes LeftBytes(const Bytes& b, int n);

DateTime CurrentDateTime();
Text DateTimeToText(const DateTime& d);

// ---- Derived operations ---------------------------------------------------------------------

// The text between the first `left` and the next `right` after it; "#引号" in either marker
// stands for a double quote.
Text TextBetween(const Text& t, const Text& left, const Text& right, int start = 0,
                 bool caseInsensitive = false);
Text HeaderName(const Text& line);
Text HeaderValue(const Text& line);

}  // namespace ow
