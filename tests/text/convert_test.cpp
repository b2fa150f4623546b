// Base64 and the conversions between UTF-8, UTF-16 and code page 936.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "text/code_page.h"
#include "text/convert.h"

namespace ow {
namespace {

TEST(Base64Encode, Rfc4648Vectors) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Base64Encode(Bytes(in)), Text(out)) << in;
  EXPECT_EQ(Base64Encode(Bytes(std::string_view("\0\0\xFF", 3))), Text("AAD/"));
}

struct ConversionCase {
  const char* name;
  std::string utf8;
  std::string gbk;
};

TEST(Utf8ToLocalText, Table) {
  const ConversionCase cases[] = {
      {"empty", "", ""},
      {"ascii", "Hello, <b>world</b>!", "Hello, <b>world</b>!"},
      {"chinese", "\xE5\xB7\xB2\xE5\x8F\x91\xE8\xB4\xA7", "\xD2\xD1\xB7\xA2\xBB\xF5"},  // 已发货
      {"euro", "\xE2\x82\xAC", "\x80"},
      {"nul cuts", std::string("ab\0cd", 5), "ab"},
      {"not in 936 (BMP)",
       "a\xE0\xB8\x81"
       "b",
       "a?b"},  // a Thai letter
      {"outside the BMP",
       "a\xF0\x9F\x98\x80"
       "b",
       "a??b"},                                                       // one ? per surrogate
      {"ignorables", "\xE2\x80\x8B\xE2\x80\x8F\xEF\xBB\xBF", "???"},  // U+200B U+200F U+FEFF
      {"best fit", "\xC2\xAD\xC4\x80", "-\xA8\xA1"},  // U+00AD as "-", U+0100 as U+0101
      {"half-width arrow", "\xEF\xBF\xA9", "?"},      // never a control byte
      {"malformed",
       "a\xFF"
       "b\xE5\xB7"
       "c",
       "a?b?c"},
      {"encoded surrogate", "\xED\xA0\x80", "??"},  // lead and first byte together
      {"overlong", "\xC0\xAF", "??"},
      {"overlong three bytes", "\xE0\x80\xAF", "??"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", "???"},
      {"cut short",
       "\xE5\xB7"
       "A",
       "?A"},
      {"full-width space", "\xE3\x80\x80", "\xA1\xA1"},
  };
  for (const ConversionCase& c : cases)
    EXPECT_EQ(Utf8ToLocalText(Bytes(c.utf8)).View(), c.gbk) << c.name;
}

TEST(LocalText, RoundTripsThroughUtf8AndUtf16) {
  const Text text("\xD2\xD1\xB7\xA2\xBB\xF5 & \x80 abc");
  EXPECT_EQ(LocalTextToUtf8(text), "\xE5\xB7\xB2\xE5\x8F\x91\xE8\xB4\xA7 & \xE2\x82\xAC abc");
  EXPECT_EQ(WideToLocalText(LocalTextToWide(text)), text);
  EXPECT_EQ(LocalTextToWide("\xD2\xD1"), u"\u5DF2");
  EXPECT_EQ(LocalTextToUtf8(Text()), "");
  // A lead byte takes the next byte along, whatever it is; alone at the end it stands alone.
  EXPECT_EQ(LocalTextToUtf8("\x81"
                            "0a"),
            "?a");
  EXPECT_EQ(LocalTextToUtf8("a\x81"), "a?");
}

TEST(CodePageSeam, SizeQueryThenConversion) {
  const char* utf8 = "\xE5\xB7\xB2x";
  const int needed = MultiByteToWide(kCodePageUtf8, utf8, 4, nullptr, 0);
  ASSERT_EQ(needed, 2);
  char16_t small[1];
  EXPECT_EQ(MultiByteToWide(kCodePageUtf8, utf8, 4, small, 1), 0);  // too small: nothing
  char16_t wide[2];
  EXPECT_EQ(MultiByteToWide(kCodePageUtf8, utf8, 4, wide, 2), 2);
  EXPECT_EQ(WideToMultiByte(kCodePageGbk, wide, 2, nullptr, 0), 3);
  EXPECT_EQ(MultiByteToWide(kCodePageUtf8, utf8, 0, nullptr, 0), 0);
}

}  // namespace
}  // namespace ow
