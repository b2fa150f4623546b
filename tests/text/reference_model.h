// A plain, obviously-correct model of the search rules: walk character by character from the
// start offset and compare at every character start. The fast engine must agree with it on
// every input; the property tests and the fuzz targets both hold the engine against it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ow::reference {

inline unsigned char Fold(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

inline bool Equal(const std::string& t, std::size_t at, const std::string& what, bool fold) {
  for (std::size_t i = 0; i < what.size(); ++i) {
    const auto a = static_cast<unsigned char>(t[at + i]);
    const auto b = static_cast<unsigned char>(what[i]);
    if (fold ? Fold(a) != Fold(b) : a != b) return false;
  }
  return true;
}

inline std::size_t Step(const std::string& t, std::size_t i) {
  return static_cast<unsigned char>(t[i]) >= 0x80 && i + 1 < t.size() ? 2 : 1;
}

inline long long Offset(long long start) {
  return start > 1 ? start - 1 : 0;
}

inline int Find(const std::string& t, const std::string& what, int start, bool fold) {
  const long long offset = Offset(start);
  if (offset >= static_cast<long long>(t.size())) return -1;
  if (what.empty()) return 1;
  for (std::size_t i = static_cast<std::size_t>(offset); i < t.size(); i += Step(t, i)) {
    if (t.size() - i >= what.size() && Equal(t, i, what, fold)) return static_cast<int>(i + 1);
  }
  return -1;
}

inline int FindReverse(const std::string& t, const std::string& what, std::optional<int> start,
                       bool fold) {
  std::size_t limit = t.size();
  if (start) {
    const long long offset = Offset(*start);
    limit = offset == 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(offset), t.size());
  }
  if (what.empty()) return limit > 0 ? 1 : -1;
  int last = -1;
  for (std::size_t i = 0; i < t.size(); i += Step(t, i)) {
    if (i + what.size() <= limit && Equal(t, i, what, fold)) last = static_cast<int>(i + 1);
  }
  return last;
}

inline std::string Replace(const std::string& t, const std::string& what, const std::string& with,
                           bool caseSensitive, int start, std::optional<int> count) {
  const long long offset = Offset(start);
  if (t.empty() || what.empty() || offset >= static_cast<long long>(t.size()) ||
      (count && *count == 0))
    return t;
  std::string out = t.substr(0, static_cast<std::size_t>(offset));
  std::size_t i = static_cast<std::size_t>(offset);
  int made = 0;
  while (t.size() - i >= what.size()) {
    if (Equal(t, i, what, !caseSensitive)) {
      out += with;
      i += what.size();
      if (count && ++made == *count) break;
    } else {
      const std::size_t step = Step(t, i);
      out += t.substr(i, step);
      i += step;
    }
  }
  return out + t.substr(i);
}

inline std::vector<std::string> Split(const std::string& t, const std::string& delimiter,
                                      std::optional<int> count) {
  std::vector<std::string> pieces;
  const int limit = count ? std::max(*count, 0) : -1;
  if (t.empty() || limit == 0) return pieces;
  if (delimiter.empty()) return {t};
  std::size_t pieceStart = 0;
  for (std::size_t i = 0; i < t.size();) {
    if (t.size() - i >= delimiter.size() && Equal(t, i, delimiter, false)) {
      pieces.push_back(t.substr(pieceStart, i - pieceStart));
      if (static_cast<int>(pieces.size()) == limit) return pieces;
      i += delimiter.size();
      pieceStart = i;
    } else {
      i += Step(t, i);
    }
  }
  if (pieceStart < t.size()) pieces.push_back(t.substr(pieceStart));
  return pieces;
}

}  // namespace ow::reference
