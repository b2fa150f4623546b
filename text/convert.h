// Converters between Bytes, Text and the encodings the outside world uses.
#pragma once

#include <string>

#include "text/text.h"

namespace ow {

// RFC 4648 Base64, basic alphabet, padded, no line breaks.
Text Base64Encode(const Bytes& data);

// A UTF-8 page to code page 936 text. Malformed input and characters code page 936 lacks are
// replaced, never a reason to fail; a NUL character ends the result.
Text Utf8ToLocalText(const Bytes& utf8);

// The way back, for showing a Text to a person: code page 936 to UTF-8 or UTF-16.
std::string LocalTextToUtf8(const Text& text);
std::u16string LocalTextToWide(const Text& text);
// UTF-16 from the window system to code page 936.
Text WideToLocalText(std::u16string_view wide);

}  // namespace ow
