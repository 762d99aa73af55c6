#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/wstring.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(WideString, LengthAndComparisonAgreeWithStandardStrings) {
  // Code units compare as unsigned 16-bit values: U+FFFF sorts after every letter.
  const std::vector<std::u16string> texts = {
      u"", u"a", u"ab", u"abc", u"abd", u"B", u"b", u"\u00e9", u"\uffff", u"正在播放", u"正在",
  };
  for (const std::u16string& a : texts) {
    EXPECT_EQ(a.size(), wcslen(a.c_str())) << testing::PrintToString(a);
    for (const std::u16string& b : texts) {
      SCOPED_TRACE(testing::PrintToString(a) + " vs " + testing::PrintToString(b));
      EXPECT_EQ(Sign(a.compare(b)), Sign(wcscmp(a.c_str(), b.c_str())));
      for (std::size_t n : {0, 1, 2, 5}) {
        EXPECT_EQ(Sign(a.substr(0, n).compare(b.substr(0, n))),
                  Sign(wcsncmp(a.c_str(), b.c_str(), n)))
            << "n=" << n;
      }
    }
  }
}

TEST(WideString, CompareIgnoringCaseFoldsToLowerCase) {
  struct Case {
    std::u16string a;
    std::u16string b;
    int sign;
  };
  const Case cases[] = {
      {u"MzMusic.exe", u"MZMUSIC.EXE", 0},
      {u"mzmusic.exe", u"MzMusic.exe", 0},
      {u"MzMusic.exe", u"MzMusic.ex", 1},
      {u"MzMusic", u"MzMusic.exe", -1},
      {u"\u00c0\u00de\u00ff", u"\u00e0\u00fe\u0178", 0},  // Latin-1 letters and ÿ/Ÿ
      {u"\u00d7", u"\u00f7", -1},                         // × and ÷ are no letters
      {u"_", u"A", -1},  // "A" folds to "a" (0x61), which is above "_" (0x5F)
      {u"正在播放", u"正在播放", 0},
      {u"", u"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.sign, Sign(_wcsicmp(c.a.c_str(), c.b.c_str())))
        << testing::PrintToString(c.a) << " vs " << testing::PrintToString(c.b);
  }
}

TEST(WideString, CaseMappingCoversAsciiAndLatin1Letters) {
  struct Case {
    WCHAR lower;
    WCHAR upper;
  };
  const Case pairs[] = {{u'a', u'A'}, {u'z', u'Z'}, {0x00E0, 0x00C0}, {0x00FE, 0x00DE},
                        {0x00FF, 0x0178}};
  for (const Case& c : pairs) {
    EXPECT_EQ(c.upper, towupper(c.lower));
    EXPECT_EQ(c.upper, towupper(c.upper));
    EXPECT_EQ(c.lower, towlower(c.upper));
    EXPECT_EQ(c.lower, towlower(c.lower));
  }
  // Characters without a case pair in this range stay as they are.
  for (WCHAR c : {u'0', u'@', u'[', u'`', u'{', WCHAR{0x00D7}, WCHAR{0x00F7}, WCHAR{0x00DF},
                  WCHAR{0x00B5}, u'中', WCHAR{0}}) {
    EXPECT_EQ(c, towupper(c));
    EXPECT_EQ(c, towlower(c));
  }

  std::u16string text = u"MzMusic.exe 正在 \u00c9t\u00e9";
  EXPECT_EQ(text.data(), _wcsupr(text.data()));
  EXPECT_EQ(u"MZMUSIC.EXE 正在 \u00c9T\u00c9", text);
  EXPECT_EQ(text.data(), _wcslwr(text.data()));
  EXPECT_EQ(u"mzmusic.exe 正在 \u00e9t\u00e9", text);
}

TEST(WideString, CopyingAndAppending) {
  WCHAR buffer[12];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  EXPECT_EQ(buffer, wcscpy(buffer, u"abc"));
  EXPECT_EQ(std::u16string(u"abc\0########", 12), std::u16string(buffer, 12));
  EXPECT_EQ(buffer, wcscat(buffer, u"正在"));
  EXPECT_EQ(std::u16string(u"abc正在\0######", 12), std::u16string(buffer, 12));
  EXPECT_EQ(buffer, wcscat(buffer, u""));
  EXPECT_EQ(u"abc正在", std::u16string(buffer));

  // wcsncpy pads a short source with zeros and leaves a long one unterminated.
  struct Case {
    std::u16string src;
    std::size_t n;
    std::u16string expected;  // all 8 units of the buffer afterwards
  };
  const Case cases[] = {
      {u"ab", 5, std::u16string(u"ab\0\0\0###", 8)},
      {u"abcdef", 3, u"abc#####"},
      {u"abc", 3, u"abc#####"},
      {u"abc", 0, u"########"},
      {u"", 2, std::u16string(u"\0\0######", 8)},
  };
  for (const Case& c : cases) {
    WCHAR dest[8];
    std::fill(std::begin(dest), std::end(dest), u'#');
    EXPECT_EQ(dest, wcsncpy(dest, c.src.c_str(), c.n));
    EXPECT_EQ(c.expected, std::u16string(dest, 8)) << testing::PrintToString(c.src) << " n=" << c.n;
  }
}

TEST(WideString, SubstringSearchFindsFirstOccurrence) {
  struct Case {
    std::u16string haystack;
    std::u16string needle;
    int at;  // -1: not found
  };
  const Case cases[] = {
      {u"abc", u"", 0},          {u"", u"", 0},           {u"", u"a", -1},
      {u"abc", u"abc", 0},       {u"abc", u"abcd", -1},   {u"aaab", u"aab", 1},
      {u"abcabc", u"ca", 2},     {u"abcabc", u"bc", 1},   {u"abc", u"c", 2},
      {u"abc", u"d", -1},        {u"[Acc]\r\n  x=1", u"\r\n", 5},
      {u"正在播放下一首", u"下一首", 4},
  };
  for (const Case& c : cases) {
    const WCHAR* found = wcsstr(c.haystack.c_str(), c.needle.c_str());
    int at = found == nullptr ? -1 : static_cast<int>(found - c.haystack.c_str());
    EXPECT_EQ(c.at, at) << testing::PrintToString(c.haystack) << " / "
                        << testing::PrintToString(c.needle);
  }
  std::u16string mutableText = u"key=value";
  WCHAR* hit = wcsstr(mutableText.data(), u"=");
  ASSERT_EQ(mutableText.data() + 3, hit);
  *hit = u':';
  EXPECT_EQ(u"key:value", mutableText);
}

TEST(WideString, CharacterSearchFromEitherEnd) {
  struct Case {
    std::u16string text;
    WCHAR c;
    int first;  // -1: not found
    int last;
  };
  const Case cases[] = {
      {u"\\Program Files\\Quorvane\\Quorvane.exe", u'\\', 0, 23},
      {u"a.b.c", u'.', 1, 3},
      {u"abc", u'x', -1, -1},
      {u"", u'a', -1, -1},
      {u"abc", 0, 3, 3},  // the terminator is found
      {u"正在播放", u'播', 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    const WCHAR* s = c.text.c_str();
    const WCHAR* first = wcschr(s, c.c);
    const WCHAR* last = wcsrchr(s, c.c);
    EXPECT_EQ(c.first, first == nullptr ? -1 : static_cast<int>(first - s));
    EXPECT_EQ(c.last, last == nullptr ? -1 : static_cast<int>(last - s));
  }
  std::u16string path = u"\\a\\b.ini";
  WCHAR* slash = wcsrchr(path.data(), u'\\');
  ASSERT_NE(nullptr, slash);
  slash[1] = 0;
  EXPECT_EQ(u"\\a\\", std::u16string(path.c_str()));
  EXPECT_EQ(path.data(), wcschr(path.data(), u'\\'));
}

}  // namespace
