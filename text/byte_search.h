// The fastest exact byte search the C library offers: the first occurrence of `needle` in
// `haystack`, or null. Chosen by file: byte_search_glibc.cpp where the library has memmem,
// byte_search_portable.cpp elsewhere.
#pragma once

#include <cstddef>

namespace ow::detail {

const char* FindBytes(const char* haystack, std::size_t haystackLength, const char* needle,
                      std::size_t needleLength);

}  // namespace ow::detail
