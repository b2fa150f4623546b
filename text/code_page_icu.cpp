// The code-page seam on systems without the Windows conversions: an own UTF-8 codec that
// behaves as the Windows one does without flags, and code page 936 through tables taken once
// from ICU's Windows 936 converter, so every later conversion is a plain table walk.
#include <unicode/ucnv.h>

#include <array>
#include <cstdint>
#include <memory>

#include "text/code_page.h"

namespace ow {

namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;
constexpr char kDefaultChar = '?';

// ---- UTF-8 ----------------------------------------------------------------------------------

// Decodes one character at `in[i]`: its code point (U+FFFD for a malformed sequence) and the
// number of bytes it takes. A malformed sequence takes the longest prefix that could have
// begun a valid character, and at least one byte; see below for the one exception.
char32_t DecodeUtf8(const unsigned char* in, std::size_t n, std::size_t i, std::size_t* taken) {
  const unsigned char b0 = in[i];
  *taken = 1;
  if (b0 < 0x80) return b0;
  std::size_t length;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  char32_t cp;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2, cp = b0 & 0x1Fu;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3, cp = b0 & 0x0Fu;
    if (b0 == 0xE0) low = 0xA0;   // no overlong forms
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4, cp = b0 & 0x07u;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return kReplacementCharacter;
  }
  for (std::size_t k = 1; k < length; ++k) {
    if (i + k >= n) return kReplacementCharacter;
    const unsigned char b = in[i + k];
    if (b < low || b > high) {
      // A continuation byte right after the lead that only its range rules out (an overlong
      // form, a surrogate, beyond U+10FFFF) goes with the lead into one replacement, as the
      // Windows decoder does.
      if (k == 1 && b >= 0x80 && b <= 0xBF) *taken = 2;
      return kReplacementCharacter;
    }
    low = 0x80, high = 0xBF;
    cp = (cp << 6) | (b & 0x3Fu);
    *taken = k + 1;
  }
  return cp;
}

template <bool kWrite>
int Utf8ToWideUnits(const char* source, int sourceLength, char16_t* destination, int capacity) {
  const auto* in = reinterpret_cast<const unsigned char*>(source);
  const auto n = static_cast<std::size_t>(sourceLength);
  long long count = 0;
  auto emit = [&](char16_t unit) {
    if constexpr (kWrite) destination[count] = unit;
    ++count;
  };
  for (std::size_t i = 0; i < n;) {
    if constexpr (kWrite) {
      if (count >= capacity) return 0;
    }
    const unsigned char b0 = in[i];
    if (b0 < 0x80) {
      emit(b0);
      ++i;
      continue;
    }
    // The common three-byte form of the basic plane, checked inline; the general decoder
    // handles every other lead and every malformed sequence.
    if (((b0 >= 0xE1 && b0 <= 0xEC) || b0 == 0xEE || b0 == 0xEF) && i + 2 < n &&
        (in[i + 1] & 0xC0) == 0x80 && (in[i + 2] & 0xC0) == 0x80) {
      emit(static_cast<char16_t>((b0 & 0x0Fu) << 12 | (in[i + 1] & 0x3Fu) << 6 |
                                 (in[i + 2] & 0x3Fu)));
      i += 3;
      continue;
    }
    std::size_t taken;
    const char32_t cp = DecodeUtf8(in, n, i, &taken);
    i += taken;
    if (cp > 0xFFFF) {
      if constexpr (kWrite) {
        if (count + 2 > capacity) return 0;
      }
      emit(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      emit(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      emit(static_cast<char16_t>(cp));
    }
  }
  return static_cast<int>(count);
}

int Utf8ToWide(const char* source, int sourceLength, char16_t* destination, int capacity) {
  return destination == nullptr
             ? Utf8ToWideUnits<false>(source, sourceLength, nullptr, 0)
             : Utf8ToWideUnits<true>(source, sourceLength, destination, capacity);
}

int WideToUtf8(const char16_t* source, int sourceLength, char* destination, int capacity) {
  long long count = 0;
  for (int i = 0; i < sourceLength; ++i) {
    char32_t cp = source[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < sourceLength && source[i + 1] >= 0xDC00 &&
        source[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (source[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacementCharacter;  // a lone surrogate
    }
    unsigned char bytes[4];
    int length;
    if (cp < 0x80) {
      bytes[0] = static_cast<unsigned char>(cp), length = 1;
    } else if (cp < 0x800) {
      bytes[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
      bytes[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F)), length = 2;
    } else if (cp < 0x10000) {
      bytes[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
      bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F)), length = 3;
    } else {
      bytes[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
      bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
      bytes[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F)), length = 4;
    }
    if (destination != nullptr) {
      if (count + length > capacity) return 0;
      for (int k = 0; k < length; ++k) destination[count + k] = static_cast<char>(bytes[k]);
    }
    count += length;
  }
  return static_cast<int>(count);
}

// ---- Code page 936 --------------------------------------------------------------------------

// Both directions of code page 936 as read from ICU once. An encoding above 0xFF is a lead and
// a trail byte; a decoding of 0 for a pair means the pair is not a character.
struct Gbk {
  std::array<std::uint16_t, 0x10000> encode{};
  std::array<char16_t, 0x100> decodeSingle{};
  std::array<std::array<char16_t, 0x100>, 0x80> decodePair{};  // indexed by lead - 0x80
};

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};

std::unique_ptr<Gbk> ReadGbkFromIcu() {
  auto gbk = std::make_unique<Gbk>();
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open("windows-936-2000", &status));
  if (U_FAILURE(status)) {
    gbk->encode.fill(kDefaultChar);
    for (char16_t c = 0; c < 0x80; ++c) gbk->encode[c] = c, gbk->decodeSingle[c] = c;
    return gbk;
  }
  // Stop at anything unmappable instead of substituting: ICU's own substitution writes
  // nothing at all for the default-ignorable characters, where Windows writes "?".
  ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
  // Windows converts without flags by best fit (U+00AD becomes "-", U+0100 the 936 form of
  // U+0101); ICU's one-way fallback mappings of this converter are the same table, measured
  // against Wine, except for a few half-width forms that ICU sends to control bytes.
  ucnv_setFallback(converter.get(), true);
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  for (std::uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
    std::uint16_t encoded = static_cast<unsigned char>(kDefaultChar);
    if (unit < 0xD800 || unit > 0xDFFF) {  // a surrogate on its own is never a character
      const UChar u = static_cast<UChar>(unit);
      char out[8];
      status = U_ZERO_ERROR;
      ucnv_resetFromUnicode(converter.get());
      const int32_t n = ucnv_fromUChars(converter.get(), out, sizeof out, &u, 1, &status);
      if (U_SUCCESS(status) && n == 1 &&
          (static_cast<unsigned char>(out[0]) >= 0x20 || out[0] == static_cast<char>(unit)))
        encoded = static_cast<unsigned char>(out[0]);
      if (U_SUCCESS(status) && n == 2)
        encoded = static_cast<std::uint16_t>(static_cast<unsigned char>(out[0]) << 8 |
                                             static_cast<unsigned char>(out[1]));
    }
    gbk->encode[unit] = encoded;
  }
  auto decode = [&](const char* bytes, int length) -> char16_t {
    UChar out[4];
    status = U_ZERO_ERROR;
    ucnv_resetToUnicode(converter.get());
    const int32_t n = ucnv_toUChars(converter.get(), out, 4, bytes, length, &status);
    return U_SUCCESS(status) && n == 1 ? static_cast<char16_t>(out[0]) : 0;
  };
  for (int b = 0; b < 0x100; ++b) {
    const char single = static_cast<char>(b);
    gbk->decodeSingle[b] = b < 0x80 ? static_cast<char16_t>(b) : decode(&single, 1);
  }
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      gbk->decodePair[lead - 0x80][trail] = decode(pair, 2);
    }
  }
  return gbk;
}

const Gbk& GbkTables() {
  static const std::unique_ptr<Gbk> tables = ReadGbkFromIcu();
  return *tables;
}

int GbkToWide(const char* source, int sourceLength, char16_t* destination, int capacity) {
  const Gbk& gbk = GbkTables();
  const auto* in = reinterpret_cast<const unsigned char*>(source);
  long long count = 0;
  for (int i = 0; i < sourceLength;) {
    const unsigned char b = in[i];
    char16_t unit = gbk.decodeSingle[b];
    int taken = 1;
    if (unit == 0 && b >= 0x81 && b <= 0xFE && i + 1 < sourceLength) {
      // A lead byte takes the next byte along unless it is a NUL, as the text operations do;
      // a pair that is no character becomes one default character.
      unit = gbk.decodePair[b - 0x80][in[i + 1]];
      taken = in[i + 1] != 0 ? 2 : 1;
    }
    if (unit == 0 && b != 0) unit = kDefaultChar;
    if (destination != nullptr) {
      if (count + 1 > capacity) return 0;
      destination[count] = unit;
    }
    ++count;
    i += taken;
  }
  return static_cast<int>(count);
}

int WideToGbk(const char16_t* source, int sourceLength, char* destination, int capacity) {
  const Gbk& gbk = GbkTables();
  long long count = 0;
  for (int i = 0; i < sourceLength; ++i) {
    const std::uint16_t encoded = gbk.encode[source[i]];
    const int length = encoded > 0xFF ? 2 : 1;
    if (destination != nullptr) {
      if (count + length > capacity) return 0;
      if (length == 2) {
        destination[count] = static_cast<char>(encoded >> 8);
        destination[count + 1] = static_cast<char>(encoded & 0xFF);
      } else {
        destination[count] = static_cast<char>(encoded);
      }
    }
    count += length;
  }
  return static_cast<int>(count);
}

}  // namespace

int MultiByteToWide(unsigned codePage, const char* source, int sourceLength, char16_t* destination,
                    int destinationCapacity) {
  if (source == nullptr || sourceLength <= 0) return 0;
  if (codePage == kCodePageUtf8)
    return Utf8ToWide(source, sourceLength, destination, destinationCapacity);
  if (codePage == kCodePageGbk)
    return GbkToWide(source, sourceLength, destination, destinationCapacity);
  return 0;
}

int WideToMultiByte(unsigned codePage, const char16_t* source, int sourceLength, char* destination,
                    int destinationCapacity) {
  if (source == nullptr || sourceLength <= 0) return 0;
  if (codePage == kCodePageUtf8)
    return WideToUtf8(source, sourceLength, destination, destinationCapacity);
  if (codePage == kCodePageGbk)
    return WideToGbk(source, sourceLength, destination, destinationCapacity);
  return 0;
}

}  // namespace ow
