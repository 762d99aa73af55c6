// The printf-style formatter behind swprintf, vswprintf and host::FormatWide.
//
// Conversions: %d %i %u %o %x %X %c %s %%, with the flags - + space # 0, a width and a
// precision (numbers or *). Length modifiers follow the handset, whose long is 32-bit:
// h and hh narrow the value, l is 32-bit (LONG, DWORD), ll and I64 are 64-bit. %s, %ls and
// %ws take a UTF-16 string; %hs and %S take a char string whose bytes are Latin-1. A null
// string prints "(null)". Anything else (including %n) is copied as text and has no argument.
#include "host/crt/wide_format.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string_view>

#include "platform/wstring.h"

namespace {

// Collects the output up to a limit and remembers whether anything was cut.
class Sink {
 public:
  explicit Sink(std::size_t limit) : m_limit(limit) {}

  void Put(WCHAR c, std::size_t count = 1) {
    std::size_t room = m_limit - m_text.size();
    if (count > room) {
      count = room;
      m_cut = true;
    }
    m_text.append(count, c);
  }
  void Put(std::u16string_view text) {
    std::size_t room = m_limit - m_text.size();
    if (text.size() > room) {
      text = text.substr(0, room);
      m_cut = true;
    }
    m_text.append(text);
  }

  bool cut() const { return m_cut; }
  std::u16string& text() { return m_text; }

 private:
  std::size_t m_limit;
  std::u16string m_text;
  bool m_cut = false;
};

enum class Length { kDefault, kChar, kShort, kLong, kLongLong };

struct FieldFormat {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alternate = false;
  bool zero = false;
  int width = 0;
  int precision = -1;  // -1: none given
  Length length = Length::kDefault;
};

constexpr int kMaxField = std::numeric_limits<int>::max();

bool IsDigit(WCHAR c) { return c >= u'0' && c <= u'9'; }

// Reads a decimal field width or precision, saturating instead of overflowing.
int ReadNumber(const WCHAR*& p) {
  int value = 0;
  for (; IsDigit(*p); ++p) {
    int digit = *p - u'0';
    value = value > (kMaxField - digit) / 10 ? kMaxField : value * 10 + digit;
  }
  return value;
}

void PutField(Sink& out, const FieldFormat& field, std::u16string_view text) {
  std::size_t width = static_cast<std::size_t>(field.width);
  std::size_t padding = width > text.size() ? width - text.size() : 0;
  if (!field.left) out.Put(u' ', padding);
  out.Put(text);
  if (field.left) out.Put(u' ', padding);
}

// Signed conversions read the argument at the size the modifier names.
std::int64_t ReadSigned(const FieldFormat& field, std::va_list& args) {
  switch (field.length) {
    case Length::kChar:
      return static_cast<signed char>(va_arg(args, int));
    case Length::kShort:
      return static_cast<short>(va_arg(args, int));
    case Length::kLongLong:
      return va_arg(args, long long);
    case Length::kDefault:
    case Length::kLong:
      break;
  }
  return va_arg(args, int);
}

std::uint64_t ReadUnsigned(const FieldFormat& field, std::va_list& args) {
  switch (field.length) {
    case Length::kChar:
      return static_cast<unsigned char>(va_arg(args, unsigned));
    case Length::kShort:
      return static_cast<unsigned short>(va_arg(args, unsigned));
    case Length::kLongLong:
      return va_arg(args, unsigned long long);
    case Length::kDefault:
    case Length::kLong:
      break;
  }
  return va_arg(args, unsigned);
}

void PutInteger(Sink& out, const FieldFormat& field, WCHAR conversion, std::va_list& args) {
  bool isSigned = conversion == u'd' || conversion == u'i';
  bool negative = false;
  std::uint64_t magnitude;
  if (isSigned) {
    std::int64_t value = ReadSigned(field, args);
    negative = value < 0;
    // Negating in unsigned arithmetic keeps the most negative value exact.
    magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  } else {
    magnitude = ReadUnsigned(field, args);
  }

  unsigned base = 10;
  if (conversion == u'o') base = 8;
  if (conversion == u'x' || conversion == u'X') base = 16;
  const char* digitChars = conversion == u'X' ? "0123456789ABCDEF" : "0123456789abcdef";

  WCHAR reversed[24];  // 22 octal digits at most
  std::size_t count = 0;
  for (std::uint64_t v = magnitude; v != 0; v /= base) reversed[count++] = digitChars[v % base];
  std::u16string digits(std::make_reverse_iterator(reversed + count),
                        std::make_reverse_iterator(reversed));

  // The precision is the least number of digits; the zeros it adds are counted, not built,
  // so that a huge precision costs no memory beyond what the output keeps.
  std::int64_t minimum = field.precision >= 0 ? field.precision : 1;
  std::int64_t zeros = std::max<std::int64_t>(0, minimum - static_cast<std::int64_t>(count));
  if (field.alternate && base == 8 && zeros == 0) zeros = 1;

  std::u16string_view prefix;
  if (negative) {
    prefix = u"-";
  } else if (isSigned && field.plus) {
    prefix = u"+";
  } else if (isSigned && field.space) {
    prefix = u" ";
  } else if (field.alternate && base == 16 && magnitude != 0) {
    prefix = conversion == u'X' ? u"0X" : u"0x";
  }

  std::int64_t length = static_cast<std::int64_t>(prefix.size() + count) + zeros;
  std::int64_t padding = std::max<std::int64_t>(0, field.width - length);
  if (field.zero && !field.left && field.precision < 0) {
    zeros += padding;
    padding = 0;
  }
  if (!field.left) out.Put(u' ', static_cast<std::size_t>(padding));
  out.Put(prefix);
  out.Put(u'0', static_cast<std::size_t>(zeros));
  out.Put(digits);
  if (field.left) out.Put(u' ', static_cast<std::size_t>(padding));
}

void PutString(Sink& out, const FieldFormat& field, bool narrow, std::va_list& args) {
  std::size_t limit = field.precision >= 0 ? static_cast<std::size_t>(field.precision)
                                          : std::numeric_limits<std::size_t>::max();
  std::u16string text;
  // Never reads past the precision: the argument need not be terminated then.
  if (narrow) {
    const char* s = va_arg(args, const char*);
    if (s == nullptr) s = "(null)";
    for (std::size_t i = 0; i < limit && s[i] != 0; ++i) {
      text += static_cast<WCHAR>(static_cast<unsigned char>(s[i]));
    }
  } else {
    const WCHAR* s = va_arg(args, const WCHAR*);
    if (s == nullptr) s = u"(null)";
    std::size_t n = 0;
    while (n < limit && s[n] != 0) ++n;
    text.assign(s, n);
  }
  PutField(out, field, text);
}

// Reads one conversion after its "%"; returns false when it is not one we know, so that the
// caller copies it as text.
bool Convert(Sink& out, const WCHAR*& p, std::va_list& args) {
  FieldFormat field;
  for (;; ++p) {
    if (*p == u'-') {
      field.left = true;
    } else if (*p == u'+') {
      field.plus = true;
    } else if (*p == u' ') {
      field.space = true;
    } else if (*p == u'#') {
      field.alternate = true;
    } else if (*p == u'0') {
      field.zero = true;
    } else {
      break;
    }
  }
  if (*p == u'*') {
    ++p;
    int width = va_arg(args, int);
    if (width < 0) {
      field.left = true;
      width = width == std::numeric_limits<int>::min() ? kMaxField : -width;
    }
    field.width = width;
  } else {
    field.width = ReadNumber(p);
  }
  if (*p == u'.') {
    ++p;
    if (*p == u'*') {
      ++p;
      int precision = va_arg(args, int);
      field.precision = precision < 0 ? -1 : precision;
    } else {
      field.precision = ReadNumber(p);
    }
  }
  bool wide = false;
  if (p[0] == u'h' && p[1] == u'h') {
    field.length = Length::kChar;
    p += 2;
  } else if (p[0] == u'h') {
    field.length = Length::kShort;
    ++p;
  } else if (p[0] == u'l' && p[1] == u'l') {
    field.length = Length::kLongLong;
    p += 2;
  } else if (p[0] == u'l' || p[0] == u'w') {
    field.length = Length::kLong;
    wide = true;
    ++p;
  } else if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
    field.length = Length::kLongLong;
    p += 3;
  }

  switch (WCHAR conversion = *p) {
    case u'd':
    case u'i':
    case u'u':
    case u'o':
    case u'x':
    case u'X':
      PutInteger(out, field, conversion, args);
      break;
    case u'c':
    case u'C': {
      WCHAR c = static_cast<WCHAR>(va_arg(args, int));
      if ((conversion == u'C' && !wide) || field.length == Length::kShort) {
        c = static_cast<WCHAR>(static_cast<unsigned char>(c));
      }
      PutField(out, field, std::u16string_view(&c, 1));
      break;
    }
    case u's':
      PutString(out, field, field.length == Length::kShort && !wide, args);
      break;
    case u'S':
      PutString(out, field, !wide, args);
      break;
    case u'%':
      out.Put(u'%');
      break;
    default:
      return false;
  }
  ++p;
  return true;
}

// Formats into a sink that keeps at most limit code units.
Sink Format(const WCHAR* format, std::va_list args, std::size_t limit) {
  // A va_list parameter may be a pointer in disguise; a local copy can be passed on by reference.
  std::va_list ap;
  va_copy(ap, args);
  Sink out(limit);
  const WCHAR* p = format;
  while (*p != 0 && !out.cut()) {
    if (*p != u'%') {
      out.Put(*p++);
      continue;
    }
    const WCHAR* start = p++;
    if (!Convert(out, p, ap)) {
      // Not a conversion: the "%" and what followed it stay as they were written.
      out.Put(std::u16string_view(start, static_cast<std::size_t>(p - start)));
    }
  }
  va_end(ap);
  return out;
}

bool IsHighSurrogate(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }

// A cut text must not end in the first half of a surrogate pair.
void DropBrokenPair(std::u16string& text) {
  if (!text.empty() && IsHighSurrogate(text.back())) text.pop_back();
}

}  // namespace

namespace host {

std::u16string FormatWide(const WCHAR* format, std::va_list args) {
  Sink out = Format(format, args, kFormatWideLimit);
  if (out.cut()) DropBrokenPair(out.text());
  return std::move(out.text());
}

}  // namespace host

int vswprintf(WCHAR* buffer, std::size_t count, const WCHAR* format, std::va_list args) {
  if (count == 0) return -1;
  Sink out = Format(format, args, count - 1);
  std::u16string& text = out.text();
  if (out.cut()) DropBrokenPair(text);
  text.copy(buffer, text.size());
  buffer[text.size()] = 0;
  return out.cut() ? -1 : static_cast<int>(text.size());
}

int swprintf(WCHAR* buffer, std::size_t count, const WCHAR* format, ...) {
  std::va_list args;
  va_start(args, format);
  int result = vswprintf(buffer, count, format, args);
  va_end(args);
  return result;
}
