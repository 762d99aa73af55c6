// swprintf, checked against the C library's snprintf for what both do alike.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/wstring.h"

namespace {

std::u16string Widen(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

// swprintf into a roomy buffer; the result code must agree with the text's length.
template <class... Args>
std::u16string Format(const std::u16string& format, Args... args) {
  WCHAR buffer[256];
  int n = swprintf(buffer, 256, format.c_str(), args...);
  EXPECT_EQ(static_cast<int>(wcslen(buffer)), n) << testing::PrintToString(format);
  return buffer;
}

template <class T>
void ExpectSameAsC(const std::string& format, T value) {
  char expected[256];
  std::snprintf(expected, sizeof expected, format.c_str(), value);
  EXPECT_EQ(Widen(expected), Format(Widen(format), value)) << "format \"" << format << '"';
}

// Every combination of flags, width and precision for one conversion.
std::vector<std::string> Specs(char conversion) {
  std::vector<std::string> specs;
  for (const char* flags : {"", "-", "0", "-0", "0-"}) {
    for (const char* width : {"", "1", "6", "13"}) {
      for (const char* precision : {"", ".", ".0", ".1", ".4", ".12"}) {
        specs.push_back(std::string("[%") + flags + width + precision + conversion + "]");
      }
    }
  }
  return specs;
}

TEST(WideFormat, IntegersAgreeWithTheCLibrary) {
  const int ints[] = {0, 1, -1, 7, 42, -42, 128, 0x7FFF, INT_MAX, INT_MIN};
  for (char conversion : {'d', 'i', 'u', 'x', 'X'}) {
    for (const std::string& format : Specs(conversion)) {
      for (int v : ints) ExpectSameAsC(format, v);
    }
  }
}

TEST(WideFormat, TextAgreesWithTheCLibrary) {
  for (const char* format : {"[%s]", "[%8s]", "[%-8s]", "[%.2s]", "[%8.2s]", "[%-8.0s]", "[%.9s]"}) {
    for (const char* text : {"", "abc", "Open ACC0"}) {
      std::u16string wideText = Widen(text);
      char expected[64];
      std::snprintf(expected, sizeof expected, format, text);
      EXPECT_EQ(Widen(expected), Format(Widen(format), wideText.c_str())) << format << " " << text;
    }
  }
  for (const char* format : {"[%c]", "[%4c]", "[%-4c]"}) ExpectSameAsC(format, 'q');
}

TEST(WideFormat, HandsetConventions) {
  const WCHAR unterminated[3] = {u'x', u'y', u'z'};
  EXPECT_EQ(u"[Acc Api] Open ACC0 failed err 2..........\n",
            Format(u"[Acc Api] Open ACC0 failed err %d..........\n", DWORD{2}));
  EXPECT_EQ(u"正在播放下一首", Format(u"正在%s", u"播放下一首"));
  EXPECT_EQ(u"[正在播]", Format(u"[%.3s]", u"正在播放"));
  EXPECT_EQ(u"xy", Format(u"%.2s", unterminated));  // reads no further than the precision
  EXPECT_EQ(u"(null)", Format(u"%s", static_cast<const WCHAR*>(nullptr)));
  EXPECT_EQ(u"中", Format(u"%c", u'中'));
}

TEST(WideFormat, UnknownConversionsAreCopiedAsText) {
  int untouched = 5;
  EXPECT_EQ(u"100%", Format(u"100%%"));
  EXPECT_EQ(u"%k 3", Format(u"%k %d", 3));
  EXPECT_EQ(u"%n3", Format(u"%n%d", 3));  // never writes through an argument
  EXPECT_EQ(5, untouched);
  EXPECT_EQ(u"end %", Format(u"end %"));
  EXPECT_EQ(u"end %-5", Format(u"end %-5"));
  // Flags, length modifiers and conversions that no caller uses are text as well.
  EXPECT_EQ(u"%+d %ld %o %*d 3", Format(u"%+d %ld %o %*d %d", 3));
}

struct Fitted {
  int result;
  std::u16string buffer;  // every unit of the buffer, terminator included
};

template <class... Args>
Fitted FormatInto(std::size_t count, const std::u16string& format, Args... args) {
  std::u16string buffer(8, u'#');
  int result = swprintf(buffer.data(), count, format.c_str(), args...);
  return {result, buffer};
}

TEST(WideFormat, ResultMustFitTheBuffer) {
  // A text of five characters' capacity, as the sensitivity label uses.
  Fitted f = FormatInto(6, u"%d", 128);
  EXPECT_EQ(3, f.result);
  EXPECT_EQ(std::u16string(u"128\0####", 8), f.buffer);

  f = FormatInto(6, u"%d", 12345);  // exactly fits
  EXPECT_EQ(5, f.result);
  EXPECT_EQ(std::u16string(u"12345\0##", 8), f.buffer);

  f = FormatInto(6, u"%d", -12345);  // cut, still terminated
  EXPECT_EQ(-1, f.result);
  EXPECT_EQ(std::u16string(u"-1234\0##", 8), f.buffer);

  f = FormatInto(1, u"%d", 1);
  EXPECT_EQ(-1, f.result);
  EXPECT_EQ(std::u16string(u"\0#######", 8), f.buffer);

  f = FormatInto(0, u"%d", 1);  // no room even for the terminator: nothing written
  EXPECT_EQ(-1, f.result);
  EXPECT_EQ(u"########", f.buffer);

  // A cut never leaves the first half of a surrogate pair at the end.
  f = FormatInto(3, u"a\U0001F3B5");
  EXPECT_EQ(-1, f.result);
  EXPECT_EQ(std::u16string(u"a\0######", 8), f.buffer);

  // Huge widths and precisions cost no more than the buffer holds.
  f = FormatInto(4, u"%2147483647d|%.2147483647d", 1, 1);
  EXPECT_EQ(-1, f.result);
  EXPECT_EQ(std::u16string(u"   \0####", 8), f.buffer);
  f = FormatInto(4, u"%.99999999999999d", 1);
  EXPECT_EQ(-1, f.result);
  EXPECT_EQ(std::u16string(u"000\0####", 8), f.buffer);
}

}  // namespace
