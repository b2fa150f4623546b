// The code-page seam: the two conversions of the platform, reduced to what the program uses.
// Each backend (code_page_win32.cpp, code_page_icu.cpp) behaves as the platform calls do with
// flags 0: a null destination asks for the size needed; malformed input and unmappable
// characters are replaced, never a reason to fail; 0 means nothing could be converted.
#pragma once

#include <cstdint>

namespace ow {

inline constexpr unsigned kCodePageUtf8 = 65001;
inline constexpr unsigned kCodePageGbk = 936;

// Multi-byte text in `codePage` (65001 or 936) to UTF-16. Answers the number of UTF-16 units
// written, or needed when `destination` is null; 0 when the destination is too small.
int MultiByteToWide(unsigned codePage, const char* source, int sourceLength, char16_t* destination,
                    int destinationCapacity);

// UTF-16 to multi-byte text in `codePage` (65001 or 936). Answers the number of bytes written,
// or needed when `destination` is null; 0 when the destination is too small.
int WideToMultiByte(unsigned codePage, const char16_t* source, int sourceLength, char* destination,
                    int destinationCapacity);

}  // namespace ow
