// The code-page seam over the platform's own converters. The code page is always passed
// explicitly, so the system's ANSI code page never takes part.
#include <windows.h>

#include "text/code_page.h"

namespace ow {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

int MultiByteToWide(unsigned codePage, const char* source, int sourceLength, char16_t* destination,
                    int destinationCapacity) {
  return MultiByteToWideChar(codePage, 0, source, sourceLength,
                             reinterpret_cast<wchar_t*>(destination), destinationCapacity);
}

int WideToMultiByte(unsigned codePage, const char16_t* source, int sourceLength, char* destination,
                    int destinationCapacity) {
  return WideCharToMultiByte(codePage, 0, reinterpret_cast<const wchar_t*>(source), sourceLength,
                             destination, destinationCapacity, nullptr, nullptr);
}

}  // namespace ow
