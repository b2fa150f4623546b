#include <string.h>  // memmem, a GNU extension

#include "text/byte_search.h"

namespace ow::detail {

const char* FindBytes(const char* haystack, std::size_t haystackLength, const char* needle,
                      std::size_t needleLength) {
  return static_cast<const char*>(memmem(haystack, haystackLength, needle, needleLength));
}

}  // namespace ow::detail
