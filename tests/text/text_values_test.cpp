// Values, slicing, spaces, conversions and the date-time text.
#include <gtest/gtest.h>

#include <climits>

#include "text/text.h"

namespace ow {
namespace {

TEST(TextValue, AbsentAndEmptyBehaveAlikeButReachPlatformCallsDifferently) {
  const Text absent;
  const Text empty("");
  EXPECT_EQ(absent, empty);
  EXPECT_EQ(CompareText(absent, empty), 0);
  EXPECT_EQ(CompareText(absent, ""), 0);
  EXPECT_EQ(absent.CStr(), nullptr);
  ASSERT_NE(empty.CStr(), nullptr);
  EXPECT_EQ(*empty.CStr(), '\0');
  EXPECT_EQ(CharFromCode(0).CStr(), nullptr);
  EXPECT_FALSE(ConcatText(absent, absent).IsAbsent());
  EXPECT_EQ(Text(std::string_view("ab\0cd", 5)), Text("ab"));  // never a zero byte inside
}

TEST(TextValue, LengthsJoiningComparison) {
  EXPECT_EQ(TextLength(Text()), 0);
  EXPECT_EQ(TextLength("\xC4\xEA"
                       "a"),
            3);
  EXPECT_EQ(ConcatText("a", Text(), "", Text("b"), "c"), Text("abc"));
  EXPECT_EQ(CompareText("a", "b"), -1);
  EXPECT_EQ(CompareText("b", "a"), 1);
  EXPECT_EQ(CompareText("ab", "a"), 1);
  EXPECT_EQ(CompareText("\x80", "a"), 1);  // unsigned bytes
  EXPECT_EQ(TruncateToInteger(2.9), 2);
  EXPECT_EQ(TruncateToInteger(-2.9), -2);
  EXPECT_EQ(TruncateToInteger(1e20), INT_MAX);
}

TEST(TextValue, Slicing) {
  const Text t("abc");
  EXPECT_EQ(LeftText(t, 2), Text("ab"));
  EXPECT_EQ(LeftText(t, 9), t);
  EXPECT_EQ(LeftText(t, 0), Text(""));
  EXPECT_EQ(LeftText(t, INT_MIN), Text(""));
  EXPECT_EQ(RightText(t, 2), Text("bc"));
  EXPECT_EQ(RightText(t, INT_MAX), t);
  EXPECT_EQ(RightText(t, -1), Text(""));
  EXPECT_EQ(MidText(t, 2, 1), Text("b"));
  EXPECT_EQ(MidText(t, 2, INT_MAX), Text("bc"));
  EXPECT_EQ(MidText(t, 4, 1), Text(""));
  EXPECT_EQ(MidText(t, 0, 1), Text(""));
  EXPECT_EQ(MidText(t, INT_MIN, INT_MAX), Text(""));
  EXPECT_EQ(MidText(t, 1, 0), Text(""));
}

TEST(TextValue, Spaces) {
  EXPECT_EQ(TrimSpaces(" \xA1\xA1 a b \xA1\xA1 "), Text("a b"));
  EXPECT_EQ(TrimSpaces("\ta\r"), Text("\ta\r"));
  EXPECT_EQ(TrimSpaces("  \xA1\xA1 "), Text(""));
  EXPECT_EQ(TrimSpaces("\xC4\xA1\xA1"), Text("\xC4\xA1\xA1"));  // A1 A1 here is no character
  EXPECT_EQ(TrimSpaces("\xC4\xA1\xA1\xA1"), Text("\xC4\xA1"));
  EXPECT_EQ(RemoveAllSpaces(" a \xA1\xA1 b\t"), Text("ab\t"));
  EXPECT_EQ(RemoveAllSpaces("\xC4\x20x"), Text("\xC4\x20x"));  // the space is a second byte
}

TEST(TextValue, ToLowerTouchesSingleByteLettersOnly) {
  EXPECT_EQ(ToLower("AbC-\x81\x41"
                    "Z"),
            Text("abc-\x81\x41"
                 "z"));
  EXPECT_EQ(ToLower(Text()), Text(""));
}

TEST(TextValue, ToInteger) {
  const std::pair<const char*, int> cases[] = {
      {"8080", 8080},
      {"12ab", 12},
      {" -7", -7},
      {"\xA3\xB1\xA3\xB2\xA3\xB3", 123},  // full-width digits
      {"\xA3\xAD\xA3\xB5", -5},           // full-width minus
      {"\xA1\xA1"
       "42",
       42},  // full-width space
      {"", 0},
      {"abc", 0},
      {"+15", 15},
      {"\t\n\v\f\r9", 9},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"99999999999999999999", INT_MAX},
      {"-99999999999999999999", INT_MIN},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ToInteger(text), value) << text;
}

TEST(TextValue, BytesAndCodes) {
  EXPECT_EQ(CharCode("\xC4"), -60);
  EXPECT_EQ(CharCode("a", 2), 0);
  EXPECT_EQ(CharCode("a", INT_MIN), 0);
  EXPECT_EQ(ToByte(0x1234), 0x34);
  EXPECT_EQ(BytesToText(Bytes(std::string_view("ab\0c", 4))), Text("ab"));
  EXPECT_EQ(ToBytes(Text()).Length(), 0);
  EXPECT_EQ(BlankText(3), Text("   "));
  EXPECT_EQ(BlankText(INT_MIN), Text(""));
  EXPECT_EQ(BlankBytes(2), Bytes(std::string_view("\0\0", 2)));
  EXPECT_EQ(LeftBytes(Bytes("abc"), 2), Bytes("ab"));
  EXPECT_EQ(LeftBytes(Bytes("abc"), -1), Bytes());
  EXPECT_EQ(ConcatBytes(Bytes(), Bytes("")), Bytes());
  EXPECT_TRUE(CompareBytes(Bytes(), Bytes("")));
  EXPECT_FALSE(CompareBytes(Bytes("a"), Bytes("b")));
  TextArray list;
  ArrayAppend(list, "x");
  ArrayAppend(list, Text());
  EXPECT_EQ(ArrayCount(list), 2);
  EXPECT_EQ(list[2], Text(""));
}

TEST(TextValue, AppendingInALoopKeepsEveryByte) {
  Bytes body;
  const Bytes chunk = BlankBytes(1024);
  for (int i = 0; i < 100; ++i) body.Append(chunk.View());
  EXPECT_EQ(BytesLength(body), 102400);
}

TEST(DateTimeToText, DropsTrailingZeroParts) {
  // 年 月 日 时 分 秒 in code page 936.
  const std::string date =
      "2019\xC4\xEA"
      "3\xD4\xC2"
      "5\xC8\xD5";
  EXPECT_EQ(DateTimeToText({2019, 3, 5, 14, 7, 9}).View(), date +
                                                               "14\xCA\xB1"
                                                               "7\xB7\xD6"
                                                               "9\xC3\xEB");
  EXPECT_EQ(DateTimeToText({2019, 3, 5, 14, 7, 0}).View(), date +
                                                               "14\xCA\xB1"
                                                               "7\xB7\xD6");
  EXPECT_EQ(DateTimeToText({2019, 3, 5, 14, 0, 0}).View(), date + "14\xCA\xB1");
  EXPECT_EQ(DateTimeToText({2019, 3, 5, 0, 0, 0}).View(), date);
  EXPECT_EQ(DateTimeToText({2019, 3, 5, 0, 0, 1}).View(), date +
                                                              "0\xCA\xB1"
                                                              "0\xB7\xD6"
                                                              "1\xC3\xEB");
}

TEST(CurrentDateTime, IsAPlausibleLocalTime) {
  const DateTime now = CurrentDateTime();
  EXPECT_GE(now.year, 2024);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12);
  EXPECT_TRUE(now.hour >= 0 && now.hour <= 23 && now.second >= 0 && now.second <= 60);
}

}  // namespace
}  // namespace ow
