#include "core/Extern.h"

#include <gtest/gtest.h>

namespace vokari {
namespace {

TEST(Extern, TrimRemovesExactlyTheWhiteSpaceAndLineBreakSetAtBothEnds) {
  const char* blanks[] = {"\t",     "\n",     "\v",     "\f",     "\r",     " ",
                          "\u0085", "\u00A0", "\u1680", "\u2000", "\u2005", "\u200A",
                          "\u2028", "\u2029", "\u202F", "\u205F", "\u3000"};
  for (const char* blank : blanks) {
    std::string padded = std::string(blank) + "a" + blank + "b" + blank;
    EXPECT_EQ(Extern::trim(padded), std::string("a") + blank + "b") << "U+ of " << padded;
  }
  // Look-alikes outside the set stay: zero-width space, byte-order mark, a control character.
  EXPECT_EQ(Extern::trim("\u200Bx\uFEFF"), "\u200Bx\uFEFF");
  EXPECT_EQ(Extern::trim("\x01x"), "\x01x");
  EXPECT_EQ(Extern::trim(" \u3000\n "), "");
  EXPECT_EQ(Extern::trim(" 中文 "), "中文");
  // A malformed byte is content, not white space, and is never cut in half.
  EXPECT_EQ(Extern::trim(" \xff "), "\xff");
}

TEST(Extern, EmptinessTreatsAbsentEmptyAndBlankText) {
  EXPECT_TRUE(Extern::isEmptyString(std::nullopt));
  EXPECT_TRUE(Extern::isEmptyString(""));
  EXPECT_FALSE(Extern::isEmptyString(" "));
  EXPECT_TRUE(Extern::isEmptyStringTrim(std::optional<std::string>()));
  EXPECT_TRUE(Extern::isEmptyStringTrim(" \t\u00A0\r\n"));
  EXPECT_FALSE(Extern::isEmptyStringTrim(" x "));
}

TEST(Extern, HttpUrlAddsTheSchemeOnlyWhenMissing) {
  EXPECT_EQ(Extern::httpUrl(std::nullopt), std::nullopt);
  EXPECT_EQ(Extern::httpUrl("  \n"), std::nullopt);
  EXPECT_EQ(Extern::httpUrl("http://a.cn/x "), "http://a.cn/x ");  // unchanged, not trimmed
  EXPECT_EQ(Extern::httpUrl(" a.cn/news "), "http://a.cn/news");
  EXPECT_EQ(Extern::httpUrl("https://a.cn"), "https://a.cn");
  EXPECT_EQ(Extern::httpUrl("https:/a.cn"), "http://https:/a.cn");
  EXPECT_EQ(Extern::httpUrl("HTTP://a.cn"), "http://HTTP://a.cn");
}

TEST(Extern, HasSubStringFoldsCaseOnlyWhenAsked) {
  EXPECT_TRUE(Extern::hasSubString("Police News", "news", true));
  EXPECT_FALSE(Extern::hasSubString("Police News", "news", false));
  EXPECT_TRUE(Extern::hasSubString("Police News", "News", false));
  // Full Unicode folding: sharp s against "SS", final sigma against capital sigma.
  EXPECT_TRUE(Extern::hasSubString("Hauptstraße 5", "STRASSE", true));
  EXPECT_TRUE(Extern::hasSubString("ΟΔΟΣ", "οδος", true));
  EXPECT_TRUE(Extern::hasSubString("通知ABC", "知a", true));
  EXPECT_FALSE(Extern::hasSubString("abc", "", true));
  EXPECT_FALSE(Extern::hasSubString("abc", std::nullopt, false));
  EXPECT_FALSE(Extern::hasSubString(std::nullopt, "a", true));
}

TEST(Extern, LengthsAndPositionsCountUtf16Units) {
  EXPECT_EQ(Extern::textLength(""), 0u);
  EXPECT_EQ(Extern::textLength("2.0.0"), 5u);
  EXPECT_EQ(Extern::textLength("中文"), 2u);  // 6 bytes
  EXPECT_EQ(Extern::textLength("a😀b"), 4u);   // one character outside the BMP counts 2
  EXPECT_EQ(Extern::textLength("a\xff"
                               "b"),
            3u);  // a malformed byte counts as one character
  EXPECT_EQ(Extern::charAt("中a😀", 1), u'a');
  EXPECT_EQ(Extern::charAt("中a😀", 2), char16_t{0xD83D});
  EXPECT_EQ(Extern::charAt("中a😀", 3), char16_t{0xDE00});
  EXPECT_EQ(Extern::charAt("中a😀", 4), std::nullopt);
}

}  // namespace
}  // namespace vokari
