#include "host/crt/utf.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct RoundTrip {
  std::u16string utf16;
  std::string utf8;
};

TEST(Utf, ConvertsBothWays) {
  const RoundTrip kCases[] = {
      {u"", ""},
      {u"config.ini", "config.ini"},
      {u"\u00e9", "\xC3\xA9"},
      {u"\u6b63\u5728\u64ad\u653e", "\xE6\xAD\xA3\xE5\x9C\xA8\xE6\x92\xAD\xE6\x94\xBE"},
      {u"\uFFFF", "\xEF\xBF\xBF"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
      {std::u16string(1, u'\0'), std::string(1, '\0')},
  };
  for (const RoundTrip& c : kCases) {
    EXPECT_EQ(c.utf8, host::ToUtf8(c.utf16));
    EXPECT_EQ(c.utf16, host::FromUtf8(c.utf8)) << c.utf8;
  }
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacter) {
  const struct {
    std::u16string in;
    std::string out;
  } kCases[] = {
      {u"a\xD800", "a\xEF\xBF\xBD"},
      {u"\xDC00z", "\xEF\xBF\xBDz"},
      {u"\xD800\xD800\xDC00", "\xEF\xBF\xBD\xF0\x90\x80\x80"},
      {u"\xDC00\xD800", "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& c : kCases) EXPECT_EQ(c.out, host::ToUtf8(c.in));
}

TEST(Utf, RejectsInvalidUtf8) {
  const std::string kInvalid[] = {
      "\x80",                  // continuation without a lead
      "\xC3",                  // cut short
      "\xE6\xAD",              // cut short
      "\xC3\x41",              // lead followed by no continuation
      "\xC0\xAF",              // overlong "/"
      "\xE0\x80\xAF",          // overlong "/"
      "\xF0\x80\x80\xAF",      // overlong "/"
      "\xED\xA0\x80",          // encoded surrogate
      "\xF4\x90\x80\x80",      // past U+10FFFF
      "\xF8\x88\x80\x80\x80",  // five-byte form
      "\xFF",
  };
  for (const std::string& text : kInvalid) {
    EXPECT_EQ(std::nullopt, host::FromUtf8(text)) << testing::PrintToString(text);
    EXPECT_EQ(std::nullopt, host::FromUtf8("ok" + text + "ok")) << testing::PrintToString(text);
  }
}

}  // namespace
