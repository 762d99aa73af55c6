// Writing values: the worked examples byte for byte, the layout rules, refused input,
// deleting lines whatever their indentation, and files that are not plain text throughout.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "host/files/faulty_file_system.h"
#include "settings/ini.h"
#include "tests/settings/settings_test_support.h"

namespace {

using namespace std::literals;
using namespace settings_test;

struct WriteCase {
  const char* what;
  std::u16string_view before;
  const char16_t* section;
  const char16_t* key;    // null: delete the section
  const char16_t* value;  // null: delete the key
  int result;
  std::u16string_view after;
};

const WriteCase kWorkedExamples[] = {
    {"first section into the mark alone", u"", u"Main", u"one", u"1", 1,
     u"[Main]\r\n  one=1"},
    {"new section", kExample, u"Other", u"four", u"4", 1,
     u"[Main]\r\n  one=1\r\n  two=2\r\n[Extra]\r\n  three=3\r\n[Other]\r\n  four=4"},
    {"replace a value", kExample, u"Main", u"one", u"10", 1,
     u"[Main]\r\n  one=10\r\n  two=2\r\n[Extra]\r\n  three=3"},
    {"replace the value on the last line", kExample, u"Extra", u"three", u"30", 1,
     u"[Main]\r\n  one=1\r\n  two=2\r\n[Extra]\r\n  three=30"},
    {"new key in a section another follows", kExample, u"Main", u"five", u"5", 1,
     u"[Main]\r\n  one=1\r\n  two=2\r\n  five=5\r\n[Extra]\r\n  three=3"},
    {"new key in the last section", kExample, u"Extra", u"six", u"6", 1,
     u"[Main]\r\n  one=1\r\n  two=2\r\n[Extra]\r\n  three=3\r\n  six=6"},
    {"delete a key", kExample, u"Main", u"one", nullptr, 1,
     u"[Main]\r\n  two=2\r\n[Extra]\r\n  three=3"},
    {"delete the key on the last line", kExample, u"Extra", u"three", nullptr, 1,
     u"[Main]\r\n  one=1\r\n  two=2\r\n[Extra]\r\n"},
    {"delete the first section", kExample, u"Main", nullptr, nullptr, 1,
     u"[Extra]\r\n  three=3"},
    {"delete the last section", kExample, u"Extra", nullptr, nullptr, 1,
     u"[Main]\r\n  one=1\r\n  two=2\r\n"},
    {"delete the only section", u"[Main]\r\n  one=1", u"Main", nullptr, nullptr, 1, u""},
    {"delete a missing key", kExample, u"Main", u"nine", nullptr, 1, kExample},
    {"delete a key of a missing section", kExample, u"Other", u"one", nullptr, 1, kExample},
    {"delete a missing section", kExample, u"Other", nullptr, nullptr, 1, kExample},
};

const WriteCase kLayoutCases[] = {
    {"same value again", kExample, u"Main", u"two", u"2", 1, kExample},
    {"empty value", kExample, u"Main", u"two", u"", 1,
     u"[Main]\r\n  one=1\r\n  two=\r\n[Extra]\r\n  three=3"},
    {"section after a final line end", u"[A]\r\n  a=1\r\n", u"B", u"b", u"2", 1,
     u"[A]\r\n  a=1\r\n\r\n[B]\r\n  b=2"},
    {"key after a final line end", u"[A]\r\n  a=1\r\n", u"A", u"b", u"2", 1,
     u"[A]\r\n  a=1\r\n\r\n  b=2"},
    {"key under a header on the last line", u"[A]\r\n  a=1\r\n[B]", u"B", u"b", u"2", 1,
     u"[A]\r\n  a=1\r\n[B]\r\n  b=2"},
    {"key that stands only in a later section", kExample, u"Main", u"three", u"9", 1,
     u"[Main]\r\n  one=1\r\n  two=2\r\n  three=9\r\n[Extra]\r\n  three=3"},
    {"new key above blank lines that end a section", u"[A]\r\n  a=1\r\n\r\n[B]", u"A", u"b",
     u"2", 1, u"[A]\r\n  a=1\r\n\r\n  b=2\r\n[B]"},
    {"value with spaces and =", u"[A]\r\n  a=1", u"A", u"a", u" x = y ", 1,
     u"[A]\r\n  a= x = y "},
    {"section name with spaces", u"", u"Powered By Zelbin", u"k", u"1", 1,
     u"[Powered By Zelbin]\r\n  k=1"},
    // Keys are matched at the start of key lines only, in writing as in reading.
    {"tail of a longer key name", u"[S]\r\n  extratwo=5\r\n  two=2", u"S", u"two", u"7", 1,
     u"[S]\r\n  extratwo=5\r\n  two=7"},
    {"key inside another key's value", u"[S]\r\n  one=two=5", u"S", u"two", u"7", 1,
     u"[S]\r\n  one=two=5\r\n  two=7"},
    {"replace keeps other indentation", u"[S]\r\n\tk=1\r\n", u"S", u"k", u"2", 1,
     u"[S]\r\n\tk=2\r\n"},
    // Deleting a key takes its whole line, whatever its indentation.
    {"delete an unindented key", u"[S]\r\nk=1\r\nj=2", u"S", u"k", nullptr, 1,
     u"[S]\r\nj=2"},
    {"delete a tab-indented key", u"[S]\r\n  a=1\r\n\tk=1\r\n  j=2", u"S", u"k", nullptr, 1,
     u"[S]\r\n  a=1\r\n  j=2"},
    {"delete a deeply indented last key", u"[S]\r\n  a=1\r\n      k=1", u"S", u"k", nullptr, 1,
     u"[S]\r\n  a=1\r\n"},
    {"delete a key after LF alone", u"[S]\r\n  a=1\nk=1\r\n  j=2", u"S", u"k", nullptr, 1,
     u"[S]\r\n  a=1\n  j=2"},
    {"delete a key whose value holds LF", u"[S]\r\n  k=a\nb\r\n  j=2", u"S", u"k", nullptr, 1,
     u"[S]\r\n  j=2"},
    // A file whose text ends before the file does (a zero code unit, an odd last byte) is
    // written anew from its text, so that what is added can be read back.
    {"add after a zero code unit", u"[S]\r\n  a=1\0junk"sv, u"S", u"b", u"2", 1,
     u"[S]\r\n  a=1\r\n  b=2"},
    {"new section after a zero code unit", u"\0junk"sv, u"S", u"b", u"2", 1,
     u"[S]\r\n  b=2"},
    {"replace drops what follows a zero", u"[S]\r\n  a=1\0junk"sv, u"S", u"a", u"1", 1,
     u"[S]\r\n  a=1"},
};

// What the writer refuses, leaving the file untouched.
const WriteCase kRefused[] = {
    {"null section", kExample, nullptr, u"one", u"1", 0, kExample},
    {"empty section", kExample, u"", u"one", u"1", 0, kExample},
    {"section with CR", kExample, u"Ma\rin", u"one", u"1", 0, kExample},
    {"section with LF", kExample, u"Ma\nin", u"one", u"1", 0, kExample},
    {"section with LF, deleting", kExample, u"Main\n", nullptr, nullptr, 0, kExample},
    {"empty key", kExample, u"Main", u"", u"1", 0, kExample},
    {"empty key, deleting", kExample, u"Main", u"", nullptr, 0, kExample},
    {"key with =", kExample, u"Main", u"one=1", u"1", 0, kExample},
    {"key with CR", kExample, u"Main", u"o\rne", u"1", 0, kExample},
    {"key with LF", kExample, u"Main", u"o\nne", u"1", 0, kExample},
    {"key starting with a space", kExample, u"Main", u" one", u"1", 0, kExample},
    {"key starting with a tab", kExample, u"Main", u"\tone", u"1", 0, kExample},
    {"value with CR", kExample, u"Main", u"one", u"1\r2", 0, kExample},
    {"value with LF", kExample, u"Main", u"one", u"1\n2", 0, kExample},
    {"value with CR LF", kExample, u"Main", u"one", u"1\r\n[X]", 0, kExample},
};

class IniWriterTest : public SettingsTest {
 protected:
  void Run(const WriteCase* cases, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      const WriteCase& c = cases[i];
      SCOPED_TRACE(c.what);
      Put(c.before);
      EXPECT_EQ(IniWriteString(c.section, c.key, c.value, kPath), c.result);
      EXPECT_EQ(Show(Bytes()), Show(File(c.after)));
      EXPECT_EQ(Listing(), "config.ini") << "a temporary file was left behind";
    }
  }
};

TEST_F(IniWriterTest, WorkedExamplesGiveTheirBytes) {
  Run(kWorkedExamples, std::size(kWorkedExamples));
}

TEST_F(IniWriterTest, KeepsTheLayoutRules) { Run(kLayoutCases, std::size(kLayoutCases)); }

TEST_F(IniWriterTest, RefusesWhatTheFormatCannotHold) { Run(kRefused, std::size(kRefused)); }

TEST_F(IniWriterTest, ThreeWritesMakeTheExampleFile) {
  Put(u"");
  EXPECT_EQ(IniWriteString(u"Main", u"one", u"1", kPath), 1);
  EXPECT_EQ(IniWriteString(u"Main", u"two", u"2", kPath), 1);
  EXPECT_EQ(IniWriteString(u"Extra", u"three", u"3", kPath), 1);
  std::string bytes = Bytes();
  EXPECT_EQ(bytes.size(), 90u);
  EXPECT_EQ(bytes.substr(0, 32), std::string("\xFF\xFE[\0M\0a\0i\0n\0]\0\r\0\n\0 \0 \0o\0n\0e\0=\0" "1\0",
                                              32));
  EXPECT_EQ(Show(bytes), Show(File(kExample)));
}

TEST_F(IniWriterTest, WriteIntWritesSignedDecimal) {
  struct Case {
    int value;
    const char16_t* text;
  };
  const Case cases[] = {{0, u"0"}, {-5, u"-5"}, {120, u"120"}, {INT_MAX, u"2147483647"},
                        {INT_MIN, u"-2147483648"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Put(u"[S]\r\n  k=x");
    EXPECT_EQ(IniWriteInt(u"S", u"k", c.value, kPath), 1);
    EXPECT_EQ(Show(Bytes()), Show(File(u"[S]\r\n  k=" + std::u16string(c.text))));
    int back = 1;
    EXPECT_EQ(IniReadInt(u"S", u"k", &back, kPath), 1);
    EXPECT_EQ(back, c.value);
  }
}

TEST_F(IniWriterTest, OddLengthFileIsWrittenFromItsText) {
  PutBytes(File(u"[S]\r\n  a=1") + "2");
  EXPECT_EQ(IniWriteString(u"S", u"b", u"3", kPath), 1);
  EXPECT_EQ(Show(Bytes()), Show(File(u"[S]\r\n  a=12\r\n  b=3")));
}

TEST_F(IniWriterTest, NeverCreatesOrRepairsAFile) {
  EXPECT_EQ(IniWriteString(u"S", u"k", u"1", kPath), 0);
  EXPECT_EQ(Bytes(), "<none>");
  PutBytes("[S]");
  EXPECT_EQ(IniWriteString(u"S", u"k", u"1", kPath), 0);
  EXPECT_EQ(Bytes(), "[S]");
  EXPECT_EQ(IniWriteString(u"S", u"k", u"1", nullptr), 0);
}

TEST_F(IniWriterTest, ReadOnlyFileGivesZeroAndStaysUnchanged) {
  struct Case {
    const char* what;
    const char16_t* key;
    const char16_t* value;
  };
  const Case cases[] = {{"same value", u"one", u"1"},
                        {"new value", u"one", u"5"},
                        {"new key", u"nine", u"9"},
                        {"delete a missing key", u"nine", nullptr}};
  Put(kExample);
  MakeReadOnly();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IniWriteString(u"Main", c.key, c.value, kPath), 0);
    EXPECT_EQ(Show(Bytes()), Show(File(kExample)));
  }
}

TEST_F(IniWriterTest, SameValueWritesNothing) {
  Put(kExample);
  host::FaultyFileSystem faulty(handset().files());
  handset().set_files(&faulty);
  EXPECT_EQ(IniWriteInt(u"Main", u"two", 2, kPath), 1);
  EXPECT_EQ(faulty.Calls(host::FileOp::kOpenCreate), 0);
  EXPECT_EQ(faulty.Calls(host::FileOp::kWrite), 0);
  EXPECT_EQ(Show(Bytes()), Show(File(kExample)));
}

TEST_F(IniWriterTest, ReplaceKeepsTheFilePermissions) {
  Put(kExample);
  std::filesystem::permissions(Host(), std::filesystem::perms(0640));
  EXPECT_EQ(IniWriteInt(u"Main", u"two", 3, kPath), 1);
  EXPECT_EQ(std::filesystem::status(Host()).permissions(), std::filesystem::perms(0640));
}

}  // namespace
