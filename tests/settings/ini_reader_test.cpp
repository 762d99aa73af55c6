// Reading values: the lookup rules of the settings file, the integer conversion, failures.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "settings/ini.h"
#include "tests/settings/settings_test_support.h"

namespace {

using namespace std::literals;
using namespace settings_test;

// What IniReadString gives: the value, or "<0>" for a failure.
std::u16string ReadString(const char16_t* section, const char16_t* key) {
  WCHAR* value = nullptr;
  if (IniReadString(section, key, &value, kPath) != 1) return u"<0>";
  std::u16string text = value == nullptr ? u"<null>" : value;
  delete[] value;
  return text;
}

struct LookupCase {
  const char* what;
  std::u16string_view text;
  const char16_t* section;
  const char16_t* key;
  const char16_t* value;  // "<0>": the read fails
};

const LookupCase kLookupCases[] = {
    {"first key", kExample, u"Main", u"one", u"1"},
    {"second key", kExample, u"Main", u"two", u"2"},
    {"key of the last section", kExample, u"Extra", u"three", u"3"},
    {"key that stands only after the section end", kExample, u"Main", u"three", u"<0>"},
    {"missing section", kExample, u"Other", u"one", u"<0>"},
    {"mark alone", u"", u"Main", u"one", u"<0>"},
    {"empty value", u"[S]\r\n  k=\r\n  j=2", u"S", u"k", u""},
    {"spaces around the value kept", u"[S]\r\n  k=  v w \r\n", u"S", u"k", u"  v w "},
    {"space before = does not match", u"[S]\r\n  k =1", u"S", u"k", u"<0>"},
    {"value runs to the end of the text", u"[S]\r\n  k=a=b", u"S", u"k", u"a=b"},
    {"lone CR and LF belong to the value", u"[S]\r\n  k=a\rb\nc\r\n", u"S", u"k", u"a\rb\nc"},
    {"longer header name", u"[MainX]\r\n  k=1", u"Main", u"k", u"<0>"},
    {"header name with a prefix", u"[XMain]\r\n  k=1", u"Main", u"k", u"<0>"},
    {"indented header", u"  [Main]\r\n  k=1", u"Main", u"k", u"<0>"},
    {"bracketed name inside a value", u"[S]\r\n  v=[Main]\r\n  k=1", u"Main", u"k", u"<0>"},
    {"header needs CR after ]", u"[Main]x\r\n  k=1", u"Main", u"k", u"<0>"},
    {"header line ending in LF alone", u"[Main]\n  k=1\n", u"Main", u"k", u"<0>"},
    {"header after LF alone", u"[A]\r\n  a=1\n[Main]\r\n  k=2", u"Main", u"k", u"2"},
    {"only the first of two sections", u"[M]\r\n  a=1\r\n[M]\r\n  b=2", u"M", u"b", u"<0>"},
    {"first occurrence wins", u"[M]\r\n  a=1\r\n  a=2", u"M", u"a", u"1"},
    {"header as the last line", u"[A]\r\n  k=1\r\n[B]", u"B", u"k", u"<0>"},
    {"key line above the first header", u"  k=0\r\n[S]\r\n  j=1", u"S", u"k", u"<0>"},
    {"[ inside a line does not end the section", u"[S]\r\n  a=[x]\r\n  k=1", u"S", u"k", u"1"},
    {"[ at a line start ends the section", u"[S]\r\n[not a header\r\n  k=1", u"S", u"k", u"<0>"},
    {"name overlapping itself", u"[[[]\r\n  k=1", u"[[", u"k", u"1"},
    {"code units after a zero are not seen", u"[S]\r\n  a=1\0\r\n  b=2"sv, u"S", u"b", u"<0>"},
    {"value ends at a zero", u"[S]\r\n  a=1\0\r\n  b=2"sv, u"S", u"a", u"1"},
    // A key is found only at the start of a key line: indentation of spaces and tabs, the
    // name, "=" (not as the tail of a longer name, nor after other text on the line).
    {"tail of a longer key name", u"[S]\r\n  extratwo=5\r\n  two=2", u"S", u"two", u"2"},
    {"key after a comment mark", u"[S]\r\n;two=5\r\n  two=2", u"S", u"two", u"2"},
    {"key name inside a value", u"[S]\r\n  one=two=5", u"S", u"two", u"<0>"},
    {"overlapping key names", u"[S]\r\n  aaa=1", u"S", u"aa", u"<0>"},
    {"no indentation", u"[S]\r\nk=1", u"S", u"k", u"1"},
    {"tab indentation", u"[S]\r\n\t \tk=1", u"S", u"k", u"1"},
    {"key line after LF alone", u"[S]\r\n  a=1\nk=2", u"S", u"k", u"2"},
    {"key name starting with a blank", u"[S]\r\n   k=1", u"S", u" k", u"1"},
    {"empty key name", u"[S]\r\n  =1\r\n=2", u"S", u"", u"<0>"},
    {"empty section name", u"[]\r\n  k=1", u"", u"k", u"<0>"},
};

TEST_F(SettingsTest, ReadStringFollowsTheLookupRules) {
  for (const LookupCase& c : kLookupCases) {
    SCOPED_TRACE(c.what);
    Put(c.text);
    std::string before = Bytes();
    EXPECT_EQ(ReadString(c.section, c.key), c.value);
    EXPECT_EQ(Bytes(), before) << "a read changed the file";
  }
}

TEST_F(SettingsTest, ReadStringOnOddLengthTakesTheLastByteAsACodeUnit) {
  PutBytes(File(u"[S]\r\n  k=ab") + "c");
  EXPECT_EQ(ReadString(u"S", u"k"), u"abc");
}

TEST_F(SettingsTest, ReadFailsOnFilesThatAreNoSettingsFiles) {
  struct Case {
    const char* what;
    std::string bytes;  // "<none>": no file
  };
  const Case cases[] = {
      {"missing", "<none>"},
      {"empty", ""},
      {"one byte", "\xFF"},
      {"no mark", std::string("[\0S\0]\0", 6)},
      {"big-endian mark", std::string("\xFE\xFF\0[\0S\0]", 8)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(Host());
    if (c.bytes != "<none>") PutBytes(c.bytes);
    int number = 7;
    EXPECT_EQ(IniReadInt(u"S", u"k", &number, kPath), 0);
    EXPECT_EQ(number, 7);
    EXPECT_EQ(ReadString(u"S", u"k"), u"<0>");
  }
}

TEST_F(SettingsTest, ReadFailureLeavesTheResultUntouched) {
  Put(kExample);
  WCHAR keep[] = u"keep";
  WCHAR* value = keep;
  int number = 7;
  EXPECT_EQ(IniReadString(u"Main", u"nine", &value, kPath), 0);
  EXPECT_EQ(value, keep);
  EXPECT_EQ(IniReadInt(u"Main", u"nine", &number, kPath), 0);
  EXPECT_EQ(number, 7);

  EXPECT_EQ(IniReadString(nullptr, u"one", &value, kPath), 0);
  EXPECT_EQ(IniReadString(u"Main", nullptr, &value, kPath), 0);
  EXPECT_EQ(IniReadString(u"Main", u"one", nullptr, kPath), 0);
  EXPECT_EQ(IniReadString(u"Main", u"one", &value, nullptr), 0);
  EXPECT_EQ(IniReadInt(u"Main", u"one", nullptr, kPath), 0);
  EXPECT_EQ(value, keep);
}

TEST_F(SettingsTest, ReadIntConvertsLikeWcstol) {
  struct Case {
    const char16_t* value;
    int number;
  };
  const Case cases[] = {
      {u"42", 42},
      {u"-5", -5},
      {u"+8", 8},
      {u"  7", 7},
      {u"12abc", 12},
      {u"abc", 0},
      {u"", 0},
      {u"0x10", 0},
      {u"2147483647", INT_MAX},
      {u"99999999999", INT_MAX},
      {u"-2147483648", INT_MIN},
      {u"-99999999999", INT_MIN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::u16string(c.value)));
    Put(u"[S]\r\n  k=" + std::u16string(c.value) + u"\r\n  j=9");
    int number = 12345;
    EXPECT_EQ(IniReadInt(u"S", u"k", &number, kPath), 1);
    EXPECT_EQ(number, c.number);
  }
}

TEST_F(SettingsTest, ReadIntStopsAtTheEndOfTheValue) {
  // The line after an empty or blank value must not be read as its number.
  Put(u"[S]\r\n  k=\r\n5\r\n  j= \r\n6");
  int number = 12345;
  EXPECT_EQ(IniReadInt(u"S", u"k", &number, kPath), 1);
  EXPECT_EQ(number, 0);
  EXPECT_EQ(IniReadInt(u"S", u"j", &number, kPath), 1);
  EXPECT_EQ(number, 0);
}

}  // namespace
