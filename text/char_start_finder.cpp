#include <cstring>

#include "text/byte_search.h"
#include "text/char_walk.h"

namespace ow::detail {

CharStartFinder::CharStartFinder(std::string_view t, std::string_view what, bool foldCase)
    : t_(t), what_(what), foldCase_(foldCase) {
  // Horspool's bad-character table over the (folded) bytes of the pattern.
  const std::size_t m = what_.size();
  for (std::size_t& s : skip_) s = m == 0 ? 1 : m;
  for (std::size_t i = 0; i + 1 < m; ++i) {
    const auto byte = static_cast<unsigned char>(what_[i]);
    skip_[byte] = m - 1 - i;
    if (foldCase_ && IsAsciiLetter(byte)) skip_[byte ^ 0x20u] = m - 1 - i;
  }
}

bool CharStartFinder::MatchesAt(std::size_t position) const {
  if (!foldCase_) return std::memcmp(t_.data() + position, what_.data(), what_.size()) == 0;
  for (std::size_t i = 0; i < what_.size(); ++i) {
    if (FoldAscii(static_cast<unsigned char>(t_[position + i])) !=
        FoldAscii(static_cast<unsigned char>(what_[i])))
      return false;
  }
  return true;
}

std::size_t CharStartFinder::NextCandidate(std::size_t from) const {
  const std::size_t n = t_.size();
  const std::size_t m = what_.size();
  if (m == 0 || from > n || n - from < m) return std::string_view::npos;
  const auto* bytes = reinterpret_cast<const unsigned char*>(t_.data());
  const auto first = static_cast<unsigned char>(what_[0]);
  if (!foldCase_ && m <= 2) {
    // Short patterns such as a line break: memchr on the first byte has the least overhead
    // per hit when hits are frequent.
    for (std::size_t i = from; i + m <= n;) {
      const void* hit = std::memchr(bytes + i, first, n - m + 1 - i);
      if (hit == nullptr) return std::string_view::npos;
      i = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - bytes);
      if (MatchesAt(i)) return i;
      ++i;
    }
    return std::string_view::npos;
  }
  if (!foldCase_) {
    const char* hit = FindBytes(t_.data() + from, n - from, what_.data(), m);
    return hit == nullptr ? std::string_view::npos : static_cast<std::size_t>(hit - t_.data());
  }
  const unsigned char last = foldCase_ ? FoldAscii(static_cast<unsigned char>(what_[m - 1]))
                                       : static_cast<unsigned char>(what_[m - 1]);
  for (std::size_t i = from; i + m <= n;) {
    const unsigned char tail = bytes[i + m - 1];
    if ((foldCase_ ? FoldAscii(tail) : tail) == last && MatchesAt(i)) return i;
    i += skip_[tail];
  }
  return std::string_view::npos;
}

bool CharStartFinder::StartsCharacter(std::size_t position) {
  // A byte below 0x80 always ends a character, so only the run of lead-range bytes right
  // before the position decides: an even run ends exactly at the position.
  std::size_t runStart = position;
  while (runStart > knownStart_ && IsLeadByte(static_cast<unsigned char>(t_[runStart - 1])))
    --runStart;
  const bool starts = (position - runStart) % 2 == 0;
  // Either way the next position to check starts a character.
  knownStart_ = starts ? position : position + 1;
  return starts;
}

std::size_t CharStartFinder::Next(std::size_t from) {
  if (from < knownStart_) from = knownStart_;
  for (;;) {
    const std::size_t candidate = NextCandidate(from);
    if (candidate == std::string_view::npos) return candidate;
    if (StartsCharacter(candidate)) return candidate;
    from = candidate + 1;
  }
}

}  // namespace ow::detail
