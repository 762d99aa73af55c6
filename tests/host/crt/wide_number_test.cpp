#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "platform/wstring.h"

namespace {

struct Parsed {
  LONG value;
  int end;  // code units consumed
  bool outOfRange;
  bool operator==(const Parsed&) const = default;
};

void PrintTo(const Parsed& p, std::ostream* os) {
  *os << "{" << p.value << ", end " << p.end << (p.outOfRange ? ", ERANGE}" : "}");
}

Parsed Parse(const std::u16string& text, int base) {
  WCHAR* end = nullptr;
  errno = 0;
  LONG value = wcstol(text.c_str(), &end, base);
  return {value, static_cast<int>(end - text.c_str()), errno == ERANGE};
}

// The C library's answer for the same ASCII text, limited to the handset's 32-bit long.
Parsed Reference(const std::string& text, int base) {
  char* end = nullptr;
  errno = 0;
  long long value = std::strtoll(text.c_str(), &end, base);
  bool outOfRange = errno == ERANGE || value > INT_MAX || value < INT_MIN;
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  return {static_cast<LONG>(value), static_cast<int>(end - text.c_str()), outOfRange};
}

TEST(WideNumber, AgreesWithTheCLibraryOnAsciiText) {
  const std::string texts[] = {
      "0", "7", "-7", "+7", "  \t\n\v\f\r42", "42abc", "abc", "", " ", "-", "+", "- 5", "--5",
      "0x", "0x1f", "0X1F", "0xg", "-0x10", "010", "08", "019", "zz", "Zz9", "1e5", "3.9",
      "2147483647", "2147483648", "-2147483648", "-2147483649", "4294967296",
      "99999999999999999999999", "-99999999999999999999999", "0000000000000000000000012",
      "7fffffff", "80000000", "-80000000", "11111111111111111111111111111111",
  };
  for (const std::string& text : texts) {
    std::u16string wide(text.begin(), text.end());
    for (int base : {0, 2, 8, 10, 16, 36}) {
      EXPECT_EQ(Reference(text, base), Parse(wide, base)) << '"' << text << "\" base " << base;
    }
  }
}

TEST(WideNumber, SettingsValuesInDecimal) {
  struct Case {
    std::u16string text;
    Parsed expected;
  };
  const Case cases[] = {
      {u"120", {120, 3, false}},
      {u"  -15\r\n", {-15, 5, false}},
      {u"１２", {0, 0, false}},  // full-width digits are no digits
      {u"12中", {12, 2, false}},
      {u"\u3000" u"12", {0, 0, false}},  // only ASCII white space is skipped
      {u"-2147483649", {INT_MIN, 11, true}},
      {u"2147483648", {INT_MAX, 10, true}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, Parse(c.text, 10)) << testing::PrintToString(c.text);
  }
}

TEST(WideNumber, BadBaseAndMissingEndPointer) {
  const std::u16string text = u"12";
  for (int base : {1, -1, 37}) {
    WCHAR* end = nullptr;
    errno = 0;
    EXPECT_EQ(0, wcstol(text.c_str(), &end, base)) << base;
    EXPECT_EQ(text.c_str(), end);
    EXPECT_EQ(EINVAL, errno);
  }
  EXPECT_EQ(-12, wcstol(u" -12", nullptr, 10));
}

}  // namespace
