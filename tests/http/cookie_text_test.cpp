#include "http/cookie_text.h"

#include <gtest/gtest.h>

#include <string>

namespace ow {
namespace {

std::string S(const Text& t) {
  return std::string(t.View());
}

struct CollectCase {
  const char* name;
  const char* headers;
  const char* cookies;
};

class CollectResponseCookiesTest : public testing::TestWithParam<CollectCase> {};

TEST_P(CollectResponseCookiesTest, GathersSetCookieValues) {
  EXPECT_EQ(S(CollectResponseCookies(GetParam().headers)), GetParam().cookies);
}

INSTANTIATE_TEST_SUITE_P(
    HeaderTexts, CollectResponseCookiesTest,
    testing::Values(CollectCase{"Empty", "", ""},
                    CollectCase{"NoSetCookie", "HTTP/1.1 200 OK\r\nContent-Type: text/html", ""},
                    CollectCase{"AttributesDropped",
                                "HTTP/1.1 200 OK\r\nSet-Cookie: sid=42; Path=/; HttpOnly\r\n"
                                "Set-Cookie: lang=zh\r\n",
                                "sid=42; lang=zh"},
                    // The search is exact; the request routines normalise the spelling beforehand.
                    CollectCase{"OtherSpellingIgnored", "set-cookie: a=1", ""},
                    CollectCase{"InsideAnotherValueWholeLine", "X-Note: see Set-Cookie docs",
                                "X-Note: see Set-Cookie docs"},
                    CollectCase{"NoColonAfterNameGivesEmptyItem",
                                "Set-Cookie : a=1; Path=/\r\nSet-Cookie: b=2", "; b=2"},
                    CollectCase{"NoColonNoSemicolonWholeLine", "Set-Cookie a=1", "Set-Cookie a=1"},
                    // Without ";" every "Set-Cookie:" is removed, in any spelling.
                    CollectCase{"MarkerRemovedInAnyCase", "Set-Cookie: x=SET-COOKIE:y", "x=y"},
                    CollectCase{"EmptyValue", "Set-Cookie: ;\r\nSet-Cookie: a=1", "; a=1"}),
    [](const auto& info) { return std::string(info.param.name); });

struct MergeCase {
  const char* name;
  const char* oldCookies;
  const char* newCookies;
  const char* merged;
  const char* newWithoutSpaces;
};

class MergeCookiesTest : public testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookiesTest, MergesAndWritesBothArguments) {
  const MergeCase& c = GetParam();
  Text oldCookies = c.oldCookies;
  Text newCookies = c.newCookies;
  const Text merged = MergeCookies(oldCookies, newCookies);
  EXPECT_EQ(S(merged), c.merged);
  EXPECT_EQ(S(oldCookies), c.merged);
  EXPECT_EQ(S(newCookies), c.newWithoutSpaces);
}

INSTANTIATE_TEST_SUITE_P(
    CookieTexts, MergeCookiesTest,
    testing::Values(MergeCase{"WorkedExample", "a=1; b=2; c=3", "b=9; c=deleted; d=4",
                              "b=9; d=4; a=1", "b=9;c=deleted;d=4"},
                    MergeCase{"BothEmpty", "", "", "", ""},
                    MergeCase{"OldEmpty", "", "x = 1; y=2; y=2; z=deleted", "x=1; y=2",
                              "x=1;y=2;y=2;z=deleted"},
                    MergeCase{"NewDuplicateNamesStay", "", "x=1; x=2", "x=1; x=2", "x=1;x=2"},
                    MergeCase{"FirstOldOfANameWins", "k=1; k=2", "", "k=1", ""},
                    MergeCase{"DoubledSemicolonKeepsEmptyItem", "a=1;;b=2", "", "a=1; ; b=2", ""},
                    MergeCase{"TrailingSeparatorsAddNothing", "a=1;", "b=2;", "b=2; a=1", "b=2;"},
                    MergeCase{"DeletedItemsDropped", "", "=deleted; v=x=deleted; w=1", "w=1",
                              "=deleted;v=x=deleted;w=1"},
                    MergeCase{"NamesCompareExactly", "SID=1", "sid=2", "sid=2; SID=1", "sid=2"},
                    MergeCase{"FullWidthSpacesRemoved",
                              "a=1;\xA1\xA1"
                              "b=2",
                              "", "a=1; b=2", ""},
                    MergeCase{"ItemWithoutEqualsIsAllName", "flag; a=1", "flag", "flag; a=1",
                              "flag"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MergeCookiesTest, OneVariableForBothArgumentsEndsMerged) {
  Text cookies = "a=1; b=2";
  EXPECT_EQ(S(MergeCookies(cookies, cookies)), "a=1; b=2");
  EXPECT_EQ(S(cookies), "a=1; b=2");
}

TEST(CookieStepsTest, NamesListsAndDistinctJoins) {
  EXPECT_EQ(S(CookieName(" sid =42")), "sid");
  EXPECT_EQ(S(CookieName(" flag ")), "flag");

  TextArray list;
  ArrayAppend(list, "a=1");
  ArrayAppend(list, "b=2");
  EXPECT_TRUE(HasCookieName(list, "b"));
  EXPECT_FALSE(HasCookieName(list, "B"));
  EXPECT_EQ(IndexOfText(list, "b=2"), 2);
  EXPECT_EQ(IndexOfText(list, "b"), -1);

  EXPECT_EQ(S(JoinDistinct("a; b; a; ; ", "; ")), "a; b; ");
  EXPECT_EQ(S(JoinDistinct("a,a,b", ",")), "a,b");
  EXPECT_EQ(S(JoinDistinct("", "; ")), "");
}

}  // namespace
}  // namespace ow
