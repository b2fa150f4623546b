#include <algorithm>
#include <functional>

#include "text/byte_search.h"

namespace ow::detail {

const char* FindBytes(const char* haystack, std::size_t haystackLength, const char* needle,
                      std::size_t needleLength) {
  const char* end = haystack + haystackLength;
  const char* found =
      std::search(haystack, end, std::boyer_moore_horspool_searcher(needle, needle + needleLength));
  return found == end ? nullptr : found;
}

}  // namespace ow::detail
