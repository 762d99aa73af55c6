// wcstol: text to the handset's 32-bit long, with the C library's rules.
#include <cerrno>
#include <cstdint>
#include <limits>

#include "platform/wstring.h"

namespace {

bool IsSpace(WCHAR c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// The value of c as a digit (0-9, then a/A = 10 up to z/Z = 35); 36 for anything else.
int DigitValue(WCHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'z') return c - u'a' + 10;
  if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
  return 36;
}

}  // namespace

LONG wcstol(const WCHAR* s, WCHAR** end, int base) {
  const WCHAR* p = s;
  auto finish = [&](const WCHAR* stop, LONG value) {
    if (end != nullptr) *end = const_cast<WCHAR*>(stop);
    return value;
  };
  if (base == 1 || base < 0 || base > 36) {
    errno = EINVAL;
    return finish(s, 0);
  }

  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == u'+' || *p == u'-') {
    negative = *p == u'-';
    ++p;
  }
  // "0x" is a prefix only when a hex digit follows; otherwise the number is the "0" alone.
  if ((base == 0 || base == 16) && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') &&
      DigitValue(p[2]) < 16) {
    p += 2;
    base = 16;
  } else if (base == 0) {
    base = p[0] == u'0' ? 8 : 10;
  }

  // Accumulate the magnitude, stopping the growth once it is past every limit.
  constexpr std::uint64_t kPastLimit = std::uint64_t{1} << 32;
  std::uint64_t magnitude = 0;
  const WCHAR* digits = p;
  for (int d; (d = DigitValue(*p)) < base; ++p) {
    if (magnitude < kPastLimit) magnitude = magnitude * static_cast<unsigned>(base) + d;
  }
  if (p == digits) return finish(s, 0);

  constexpr std::int64_t kMax = std::numeric_limits<LONG>::max();
  constexpr std::int64_t kMin = std::numeric_limits<LONG>::min();
  std::int64_t value = negative ? -static_cast<std::int64_t>(magnitude)
                                : static_cast<std::int64_t>(magnitude);
  if (value > kMax || value < kMin) {
    errno = ERANGE;
    return finish(p, static_cast<LONG>(value > kMax ? kMax : kMin));
  }
  return finish(p, static_cast<LONG>(value));
}
