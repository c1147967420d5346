#include "diag/text_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Mid(const char* text, int32_t start, int32_t count) {
  return TextString(text).Mid(start, count).Text();
}

TEST(TextString, MidClampsNegativeAndOversizedRanges) {
  EXPECT_EQ(Mid("abcdef", 2, 3), "cde");
  EXPECT_EQ(Mid("abcdef", -4, 2), "ab");
  EXPECT_EQ(Mid("abcdef", 4, 10), "ef");
  EXPECT_EQ(Mid("abcdef", 7, 1), "");
  EXPECT_EQ(Mid("abcdef", 0, 6), "abcdef");
  EXPECT_EQ(Mid("abcdef", 3, -1), "");
  EXPECT_EQ(Mid("abcdef", 2, INT32_MAX), "cdef");
  EXPECT_EQ(Mid("abcdef", INT32_MAX, INT32_MAX), "");
}

TEST(TextString, FindEmptyTextAtZeroAndMissingTextAtMinusOne) {
  TextString s("hello world");
  EXPECT_EQ(s.Find(""), 0);
  EXPECT_EQ(s.Find("world"), 6);
  EXPECT_EQ(s.Find("xyz"), -1);
}

TEST(TextString, TrimRemovesAsciiSpaceOnEachSide) {
  TextString left("  \tab ");
  left.TrimLeft();
  EXPECT_STREQ(left.Text(), "ab ");
  TextString right(" ab \r\n");
  right.TrimRight();
  EXPECT_STREQ(right.Text(), " ab");
  TextString blank1("   "), blank2("   ");
  blank1.TrimLeft();
  blank2.TrimRight();
  EXPECT_STREQ(blank1.Text(), "");
  EXPECT_STREQ(blank2.Text(), "");
  TextString high("\xA0x\xA0");  // bytes above 0x7F are not space
  high.TrimLeft();
  high.TrimRight();
  EXPECT_STREQ(high.Text(), "\xA0x\xA0");
}

TEST(TextString, CompareIgnoresCaseAndSortsPunctuationLast) {
  EXPECT_EQ(TextString("apple").Compare("APPLE"), 0);
  EXPECT_EQ(TextString("(Remake)").Compare("Zorro"), 1);
  EXPECT_EQ(TextString("Zorro").Compare(TextString("(Remake)")), -1);
  EXPECT_LT(TextString("(a)").Compare("[b]"), 0);
  EXPECT_LT(TextString("").Compare("a"), 0);
  EXPECT_LT(TextString("abc").Compare("abcd"), 0);
  // Bytes compare unsigned: a high byte sorts after every ASCII letter.
  EXPECT_GT(TextString("\xE9").Compare("z"), 0);
  // '_' lies between the capitals and the small letters; lowering decides.
  EXPECT_LT(TextString("a_").Compare("aB"), 0);
}

TEST(TextString, SelfAssignmentAndSelfAppendAreSafe) {
  TextString s("abc");
  TextString& alias = s;
  s = alias;
  EXPECT_STREQ(s.Text(), "abc");
  s += s;
  EXPECT_STREQ(s.Text(), "abcabc");
  s = s.Text() + 3;  // a text inside the string's own buffer
  EXPECT_STREQ(s.Text(), "abc");
  s.Append(s.Text() + 1);
  EXPECT_STREQ(s.Text(), "abcbc");
  // Texts of varying length through one buffer, and one far beyond its room.
  const std::string long_text(300, 'x');
  for (const char* text : {"a key of some length", "short", "a key a little longer than the first", "",
                           long_text.c_str(), "end"}) {
    s = text;
    EXPECT_STREQ(s.Text(), text);
    EXPECT_EQ(s.Length(), static_cast<int32_t>(std::strlen(text)));
  }
}

TEST(TextString, ReplaceNeverOverlapsNorRescansReplacements) {
  TextString lines("a\nb\n");
  EXPECT_EQ(lines.Replace("\n", "\r\n"), 2);
  EXPECT_STREQ(lines.Text(), "a\r\nb\r\n");
  TextString aaa("aaa");
  EXPECT_EQ(aaa.Replace("aa", "b"), 1);
  EXPECT_STREQ(aaa.Text(), "ba");
  TextString x("x");
  EXPECT_EQ(x.Replace("x", "xx"), 1);
  EXPECT_STREQ(x.Text(), "xx");
  TextString del("a--b--c");
  EXPECT_EQ(del.Replace("--", ""), 2);
  EXPECT_STREQ(del.Text(), "abc");
  EXPECT_EQ(del.Replace("", "z"), 0);
  EXPECT_STREQ(del.Text(), "abc");
}

TEST(TextString, ResizeKeepsPrefixAndAllocateMakesRoom) {
  TextString s("abcdef");
  s.Resize(3);
  EXPECT_STREQ(s.Text(), "abc");
  EXPECT_EQ(s.Length(), 3);
  s.Resize(5);
  EXPECT_EQ(s.Length(), 3);  // the grown bytes are zero here
  s.Allocate(2);
  s.Buffer()[0] = 'x';
  s.Buffer()[1] = 'y';
  EXPECT_STREQ(s.Text(), "xy");
  s.Assign(2, "qrst");
  EXPECT_STREQ(s.Text(), "qr");
  s.Clear();
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.CharAt(0), '\0');
}

TEST(TextString, MakeLowerChangesOnlyAsciiCapitals) {
  TextString s("AbC-\xC9Z");
  s.MakeLower();
  EXPECT_STREQ(s.Text(), "abc-\xC9z");
}

TEST(TextString, FormatTextCutsLongResultsAt1023Characters) {
  TextString out("old");
  FormatText(out, "%s-%li", "x", static_cast<long>(-5));
  EXPECT_STREQ(out.Text(), "x--5");
  std::string big(3000, 'q');
  FormatText(out, "%s", big.c_str());
  EXPECT_EQ(out.Length(), 1023);
}

}  // namespace
