// Search, replacement and splitting: the rules, their edge cases, and agreement with the
// character-walking model on random double-byte text.
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "tests/text/reference_model.h"
#include "text/text.h"

namespace ow {
namespace {

// A two-byte character whose second byte is 'A', followed by the letter A.
const Text kLeadThenA(
    "\x81\x41"
    "A");

struct FindCase {
  const char* t;
  const char* what;
  int start;
  bool fold;
  int expected;
};

TEST(FindText, Table) {
  const FindCase cases[] = {
      {"abc", "c", 3, false, 3},
      {"abc", "c", 4, false, -1},
      {"abc", "c", 0, false, 3},
      {"abc", "c", -5, false, 3},
      {"abc", "", 0, false, 1},
      {"abc", "", 2, false, 1},
      {"", "", 0, false, -1},
      {"abc", "abcd", 0, false, -1},
      {"abc", "a", INT_MIN, false, 1},
      {"abc", "a", INT_MAX, false, -1},
      {"xUser-Agent: y", "user-agent:", 0, true, 2},
      {"xUser-Agent: y", "user-agent:", 0, false, -1},
      {"\x81\x41"
       "A",
       "A", 0, false, 3},  // never on a second byte
      {"\x81\x41"
       "A",
       "a", 0, true, 3},  // folding reaches the byte but no match starts there
      {"\x81\x41\x81\x41", "\x41\x81", 0, false, -1},
      {"ab\xC4\xEA"
       "c",
       "\xEA"
       "c",
       0, false, -1},
      {"ab\xC4\xEA"
       "c",
       "\xC4\xEA", 0, false, 3},
      // A start inside a double-byte character walks from there.
      {"\xC4\xEA\xC4\xEA", "\xEA\xC4", 2, false, 2},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(FindText(c.t, c.what, c.start, c.fold), c.expected)
        << "t=" << c.t << " what=" << c.what << " start=" << c.start;
  }
  EXPECT_EQ(FindText(Text(), "", 0), -1);
  EXPECT_EQ(FindText(Text(), Text(), 0), -1);
}

TEST(FindTextReverse, Table) {
  const Text t("a.b.c");
  EXPECT_EQ(FindTextReverse(t, "."), 4);
  EXPECT_EQ(FindTextReverse(t, ".", 4), 2);
  EXPECT_EQ(FindTextReverse(t, ".", 1), -1);
  EXPECT_EQ(FindTextReverse(t, ".", 6), 4);
  EXPECT_EQ(FindTextReverse(t, ".", INT_MAX), 4);
  EXPECT_EQ(FindTextReverse(t, ".", INT_MIN), -1);
  EXPECT_EQ(FindTextReverse(t, "", 1), -1);
  EXPECT_EQ(FindTextReverse(t, "", 2), 1);
  EXPECT_EQ(FindTextReverse(t, ""), 1);
  EXPECT_EQ(FindTextReverse("", ""), -1);
  EXPECT_EQ(FindTextReverse("aaaa", "aa"), 3);  // overlapping occurrences count
  EXPECT_EQ(FindTextReverse(kLeadThenA, "A"), 3);
  EXPECT_EQ(FindTextReverse("X-AB", "x-ab", std::nullopt, true), 1);
}

TEST(ReplaceText, Table) {
  EXPECT_EQ(ReplaceText("set-cookie SET-COOKIE", "Set-Cookie", "Set-Cookie", false),
            Text("Set-Cookie Set-Cookie"));
  EXPECT_EQ(ReplaceText("set-cookie Set-Cookie", "Set-Cookie", "X", true), Text("set-cookie X"));
  EXPECT_EQ(ReplaceText("a.b.c", ".", "-", true, {.count = 1}), Text("a-b.c"));
  EXPECT_EQ(ReplaceText("a.b.c", ".", "", true), Text("abc"));
  EXPECT_EQ(ReplaceText("ab", "abc", "x", true), Text("ab"));
  EXPECT_EQ(ReplaceText("a.b.c", ".", "-", true, {.start = 3}), Text("a.b-c"));
  EXPECT_EQ(ReplaceText("a.b.c", ".", "-", true, {.count = 0}), Text("a.b.c"));
  EXPECT_EQ(ReplaceText("a.b.c", ".", "-", true, {.count = -1}), Text("a-b-c"));
  EXPECT_EQ(ReplaceText("a.b.c", ".", "-", true, {.start = INT_MAX}), Text("a.b.c"));
  EXPECT_EQ(ReplaceText("aaa", "a", "aa", true), Text("aaaaaa"));  // inserted text not searched
  EXPECT_EQ(ReplaceText(kLeadThenA, "A", "b", true), Text("\x81\x41"
                                                          "b"));
  EXPECT_EQ(ReplaceText(Text(), "a", "b", true), Text(""));
}

TEST(SplitText, Table) {
  struct Case {
    const char* t;
    const char* delimiter;
    std::optional<int> count;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"a;;b", ";", {}, {"a", "", "b"}},
      {";a", ";", {}, {"", "a"}},
      {"a;", ";", {}, {"a"}},
      {"abc", ";", {}, {"abc"}},
      {"", ";", {}, {}},
      {"a,b", ",", {}, {"a", "b"}},
      {"a;b;c", ";", 2, {"a", "b"}},
      {"a;b;c", ";", 0, {}},
      {"a;b;c", ";", -3, {}},
      {"a;b", "", {}, {"a;b"}},
      {"x\r\ny\r\n", "\r\n", {}, {"x", "y"}},
      {"\x81;x;y", ";", {}, {"\x81;x", "y"}},  // the delimiter inside a character does not cut
  };
  for (const Case& c : cases) {
    const TextArray pieces = SplitText(c.t, c.delimiter, c.count);
    ASSERT_EQ(ArrayCount(pieces), static_cast<int>(c.expected.size())) << c.t;
    for (int i = 1; i <= ArrayCount(pieces); ++i)
      EXPECT_EQ(pieces[i].View(), c.expected[static_cast<std::size_t>(i - 1)]) << c.t;
  }
  EXPECT_EQ(ArrayCount(SplitText("a,b")), 2);  // the default delimiter is a comma
}

TEST(TextBetween, Table) {
  EXPECT_EQ(TextBetween("Location: /x\r\nA: b", "Location: ", "\r\n"), Text("/x"));
  EXPECT_EQ(TextBetween("abc", "x", "c"), Text(""));
  EXPECT_EQ(TextBetween("c..a", "a", "c"), Text(""));  // right marker only before the left
  EXPECT_EQ(TextBetween("abc", "a", "b"), Text(""));   // markers touch
  EXPECT_EQ(TextBetween("say \"hi\" now", "#\xD2\xFD\xBA\xC5", "#\xD2\xFD\xBA\xC5"), Text("hi"));
  EXPECT_EQ(TextBetween("A=1;a=2;", "a=", ";", 0, true), Text("1"));
  EXPECT_EQ(TextBetween("a=1;a=2;", "a=", ";", 2), Text("2"));
}

TEST(HeaderLine, NameAndValue) {
  EXPECT_EQ(HeaderName(" Host : a:b "), Text("Host"));
  EXPECT_EQ(HeaderValue(" Host : a:b "), Text("a:b"));
  EXPECT_EQ(HeaderName("no colon"), Text(""));
  EXPECT_EQ(HeaderValue("no colon"), Text(""));
  EXPECT_EQ(HeaderValue("Date: 12:30:00"), Text("12:30:00"));
}

// Random texts made of ASCII letters, a few separators and double-byte characters whose second
// bytes reach into the ASCII range, so that false matches on second bytes are common.
std::string RandomGbkLike(std::mt19937& random, std::size_t maxLength) {
  static const char kAlphabet[] = {'a', 'A', 'b', ';', ' ', '\x81', '\xA1', '\xC4', '\xEA'};
  std::uniform_int_distribution<std::size_t> length(0, maxLength);
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 1);
  std::string s(length(random), ' ');
  for (char& c : s) c = kAlphabet[pick(random)];
  return s;
}

TEST(TextSearchProperty, AgreesWithCharacterWalk) {
  std::mt19937 random(20261211);
  std::uniform_int_distribution<int> start(-2, 14);
  for (int round = 0; round < 20000; ++round) {
    const std::string t = RandomGbkLike(random, 12);
    const std::string what = RandomGbkLike(random, 3);
    const std::string with = RandomGbkLike(random, 2);
    const int s = start(random);
    const bool fold = round % 2 == 0;
    ASSERT_EQ(FindText(Text(t), Text(what), s, fold), reference::Find(t, what, s, fold))
        << "t=" << t << " what=" << what << " start=" << s;
    ASSERT_EQ(FindTextReverse(Text(t), Text(what), s, fold),
              reference::FindReverse(t, what, s, fold));
    ASSERT_EQ(FindTextReverse(Text(t), Text(what), std::nullopt, fold),
              reference::FindReverse(t, what, std::nullopt, fold));
    const std::optional<int> count = round % 3 == 0 ? std::nullopt : std::optional<int>(round % 4);
    ASSERT_EQ(
        ReplaceText(Text(t), Text(what), Text(with), !fold, {.start = s, .count = count}).View(),
        reference::Replace(t, what, with, !fold, s, count));
    const TextArray pieces = SplitText(Text(t), Text(what), count);
    const auto expected = reference::Split(t, what, count);
    ASSERT_EQ(ArrayCount(pieces), static_cast<int>(expected.size()));
    for (int i = 1; i <= ArrayCount(pieces); ++i)
      ASSERT_EQ(pieces[i].View(), expected[static_cast<std::size_t>(i - 1)]);
  }
}

TEST(TextSearchProperty, LongDoubleByteRunsStayCorrect) {
  // The engine looks back over runs of lead-range bytes; long runs must not confuse it.
  std::string t(10001, '\xC4');
  t += "A";
  EXPECT_EQ(FindText(Text(t), "A"), -1);  // the A is the second byte of the last character
  t += "A";
  EXPECT_EQ(FindText(Text(t), "A"), 10003);
  EXPECT_EQ(FindText(Text(t),
                     "\xC4"
                     "A"),
            10001);
  EXPECT_EQ(FindText(Text(t), "\xC4\xC4", 2), 2);
}

}  // namespace
}  // namespace ow
