// The double-byte rule, shared by every operation that walks a text character by character:
// a byte of 0x80 or above begins a two-byte character and takes the next byte along, unless
// the text ends there.
#pragma once

#include <cstddef>
#include <string_view>

namespace ow::detail {

inline bool IsLeadByte(unsigned char byte) {
  return byte >= 0x80;
}

// Length of the character that starts at `index` (1 or 2).
inline std::size_t CharLengthAt(std::string_view t, std::size_t index) {
  return IsLeadByte(static_cast<unsigned char>(t[index])) && index + 1 < t.size() ? 2 : 1;
}

inline unsigned char FoldAscii(unsigned char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

inline bool IsAsciiLetter(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

// Finds `what` in `t` at character starts only, walking from `walkStart` (itself a character
// start). Candidates come from a skip search over the bytes; each is then checked against the
// double-byte rule by looking back over the run of lead-range bytes before it, never further
// back than the last position already known to start a character, so a whole search stays
// linear however long the runs of double-byte text are.
class CharStartFinder {
 public:
  CharStartFinder(std::string_view t, std::string_view what, bool foldCase);

  // First match at or after `from` (a position at or after the walk start), or npos.
  std::size_t Next(std::size_t from);
  // Declares `position` a character start; later searches start from there.
  void RestartAt(std::size_t position) { knownStart_ = position; }

 private:
  std::size_t NextCandidate(std::size_t from) const;
  bool MatchesAt(std::size_t position) const;
  bool StartsCharacter(std::size_t position);

  std::string_view t_;
  std::string_view what_;
  bool foldCase_;
  std::size_t knownStart_ = 0;
  std::size_t skip_[256];
};

}  // namespace ow::detail
