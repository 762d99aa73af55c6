// The printf-style formatter behind swprintf and vswprintf (platform/wstring.h), as the
// handset's C library has it for what the system formats: %d %i %u %x %X %c %s %%, with the
// flags - and 0, a decimal width and a decimal precision. %s takes a UTF-16 string; a null one
// prints "(null)". Anything else (another flag, a length modifier, %n, an unknown letter) is
// copied as text and takes no argument.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
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

// What comes between the "%" and the conversion letter.
struct FieldFormat {
  bool left = false;   // "-": pad on the right
  bool zero = false;   // "0": pad numbers with zeros
  int width = 0;
  int precision = -1;  // -1: none given
};

constexpr int kMaxField = std::numeric_limits<int>::max();

bool IsDigit(WCHAR c) { return c >= u'0' && c <= u'9'; }

// Reads a decimal width or precision, saturating instead of overflowing.
int ReadNumber(const WCHAR*& p) {
  int value = 0;
  for (; IsDigit(*p); ++p) {
    int digit = *p - u'0';
    value = value > (kMaxField - digit) / 10 ? kMaxField : value * 10 + digit;
  }
  return value;
}

// Reads the flags, width and precision at p and leaves p on the conversion letter.
FieldFormat ReadFieldFormat(const WCHAR*& p) {
  FieldFormat field;
  for (;; ++p) {
    if (*p == u'-') {
      field.left = true;
    } else if (*p == u'0') {
      field.zero = true;
    } else {
      break;
    }
  }
  field.width = ReadNumber(p);
  if (*p == u'.') {
    ++p;
    field.precision = ReadNumber(p);
  }
  return field;
}

// text padded with spaces to the field's width.
void PutField(Sink& out, const FieldFormat& field, std::u16string_view text) {
  std::size_t width = static_cast<std::size_t>(field.width);
  std::size_t padding = width > text.size() ? width - text.size() : 0;
  if (!field.left) out.Put(u' ', padding);
  out.Put(text);
  if (field.left) out.Put(u' ', padding);
}

// The digits of magnitude in base 10 or 16; none for 0.
std::u16string Digits(std::uint32_t magnitude, WCHAR conversion) {
  unsigned base = conversion == u'x' || conversion == u'X' ? 16 : 10;
  const char* digitChars = conversion == u'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string digits;
  for (std::uint32_t v = magnitude; v != 0; v /= base) digits += digitChars[v % base];
  std::reverse(digits.begin(), digits.end());
  return digits;
}

// %d %i (int) and %u %x %X (unsigned): the sign, the zeros the precision or the 0 flag asks
// for, the digits, padded to the width.
void PutInteger(Sink& out, const FieldFormat& field, WCHAR conversion, std::va_list& args) {
  bool negative = false;
  std::uint32_t magnitude;
  if (conversion == u'd' || conversion == u'i') {
    int value = va_arg(args, int);
    negative = value < 0;
    // Negating in unsigned arithmetic keeps the most negative value exact.
    magnitude = negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  } else {
    magnitude = va_arg(args, unsigned);
  }
  std::u16string digits = Digits(magnitude, conversion);

  // The precision is the least number of digits; the zeros it adds are counted, not built,
  // so that a huge precision costs no memory beyond what the output keeps.
  std::int64_t minimum = field.precision >= 0 ? field.precision : 1;
  std::int64_t zeros = std::max<std::int64_t>(0, minimum - static_cast<std::int64_t>(digits.size()));
  std::int64_t length = (negative ? 1 : 0) + static_cast<std::int64_t>(digits.size()) + zeros;
  std::int64_t padding = std::max<std::int64_t>(0, field.width - length);
  if (field.zero && !field.left && field.precision < 0) {
    zeros += padding;
    padding = 0;
  }
  if (!field.left) out.Put(u' ', static_cast<std::size_t>(padding));
  if (negative) out.Put(u'-');
  out.Put(u'0', static_cast<std::size_t>(zeros));
  out.Put(digits);
  if (field.left) out.Put(u' ', static_cast<std::size_t>(padding));
}

// %s: at most precision code units of a UTF-16 string, which then need not be terminated.
void PutString(Sink& out, const FieldFormat& field, std::va_list& args) {
  std::size_t limit = field.precision >= 0 ? static_cast<std::size_t>(field.precision)
                                          : std::numeric_limits<std::size_t>::max();
  const WCHAR* s = va_arg(args, const WCHAR*);
  if (s == nullptr) s = u"(null)";
  std::size_t n = 0;
  while (n < limit && s[n] != 0) ++n;
  PutField(out, field, std::u16string_view(s, n));
}

// Puts one conversion; false when the letter is not one we know (nothing is put then).
bool PutConversion(Sink& out, const FieldFormat& field, WCHAR conversion, std::va_list& args) {
  switch (conversion) {
    case u'd':
    case u'i':
    case u'u':
    case u'x':
    case u'X':
      PutInteger(out, field, conversion, args);
      return true;
    case u'c': {
      WCHAR c = static_cast<WCHAR>(va_arg(args, int));
      PutField(out, field, std::u16string_view(&c, 1));
      return true;
    }
    case u's':
      PutString(out, field, args);
      return true;
    case u'%':
      out.Put(u'%');
      return true;
    default:
      return false;
  }
}

// Reads one conversion after its "%" and moves p past it; returns false when it is not one we
// know, so that the caller copies it as text.
bool Convert(Sink& out, const WCHAR*& p, std::va_list& args) {
  FieldFormat field = ReadFieldFormat(p);
  if (!PutConversion(out, field, *p, args)) return false;
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
