// Length, comparison, copying, searching and case of zero-terminated UTF-16 strings.
#include "platform/wstring.h"

namespace {

constexpr WCHAR kCapitalYDiaeresis = 0x0178;  // Ÿ, the capital of ÿ (U+00FF)

// Compares code units as unsigned values, as the C library compares wide characters.
int Difference(WCHAR a, WCHAR b) { return static_cast<int>(a) - static_cast<int>(b); }

}  // namespace

std::size_t wcslen(const WCHAR* s) {
  const WCHAR* p = s;
  while (*p != 0) ++p;
  return static_cast<std::size_t>(p - s);
}

int wcscmp(const WCHAR* a, const WCHAR* b) {
  while (*a != 0 && *a == *b) {
    ++a;
    ++b;
  }
  return Difference(*a, *b);
}

int wcsncmp(const WCHAR* a, const WCHAR* b, std::size_t n) {
  for (; n > 0; --n, ++a, ++b) {
    if (*a != *b || *a == 0) return Difference(*a, *b);
  }
  return 0;
}

int _wcsicmp(const WCHAR* a, const WCHAR* b) {
  // Both sides are folded to lower case before comparing, so "_" sorts after letters.
  for (;; ++a, ++b) {
    WCHAR ca = towlower(*a);
    WCHAR cb = towlower(*b);
    if (ca != cb || ca == 0) return Difference(ca, cb);
  }
}

WCHAR* wcscpy(WCHAR* dest, const WCHAR* src) {
  WCHAR* d = dest;
  while ((*d++ = *src++) != 0) {
  }
  return dest;
}

WCHAR* wcsncpy(WCHAR* dest, const WCHAR* src, std::size_t n) {
  std::size_t i = 0;
  for (; i < n && src[i] != 0; ++i) dest[i] = src[i];
  for (; i < n; ++i) dest[i] = 0;
  return dest;
}

WCHAR* wcscat(WCHAR* dest, const WCHAR* src) {
  wcscpy(dest + wcslen(dest), src);
  return dest;
}

const WCHAR* wcsstr(const WCHAR* haystack, const WCHAR* needle) {
  if (*needle == 0) return haystack;
  for (; *haystack != 0; ++haystack) {
    const WCHAR* h = haystack;
    const WCHAR* n = needle;
    while (*n != 0 && *h == *n) {
      ++h;
      ++n;
    }
    if (*n == 0) return haystack;
    // The rest of the haystack is shorter than the needle: no later match either.
    if (*h == 0) return nullptr;
  }
  return nullptr;
}

WCHAR* wcsstr(WCHAR* haystack, const WCHAR* needle) {
  return const_cast<WCHAR*>(wcsstr(static_cast<const WCHAR*>(haystack), needle));
}

const WCHAR* wcschr(const WCHAR* s, WCHAR c) {
  // The terminator is part of the string: searching for 0 finds it.
  for (;; ++s) {
    if (*s == c) return s;
    if (*s == 0) return nullptr;
  }
}

WCHAR* wcschr(WCHAR* s, WCHAR c) {
  return const_cast<WCHAR*>(wcschr(static_cast<const WCHAR*>(s), c));
}

const WCHAR* wcsrchr(const WCHAR* s, WCHAR c) {
  const WCHAR* found = nullptr;
  for (;; ++s) {
    if (*s == c) found = s;
    if (*s == 0) return found;
  }
}

WCHAR* wcsrchr(WCHAR* s, WCHAR c) {
  return const_cast<WCHAR*>(wcsrchr(static_cast<const WCHAR*>(s), c));
}

WCHAR towupper(WCHAR c) {
  if (c >= u'a' && c <= u'z') return static_cast<WCHAR>(c - 0x20);
  // à..þ map to À..Þ, except ÷ (U+00F7), which is no letter.
  if (c >= 0x00E0 && c <= 0x00FE && c != 0x00F7) return static_cast<WCHAR>(c - 0x20);
  if (c == 0x00FF) return kCapitalYDiaeresis;
  return c;
}

WCHAR towlower(WCHAR c) {
  if (c >= u'A' && c <= u'Z') return static_cast<WCHAR>(c + 0x20);
  // À..Þ map to à..þ, except × (U+00D7), which is no letter.
  if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) return static_cast<WCHAR>(c + 0x20);
  if (c == kCapitalYDiaeresis) return 0x00FF;
  return c;
}

WCHAR* _wcsupr(WCHAR* s) {
  for (WCHAR* p = s; *p != 0; ++p) *p = towupper(*p);
  return s;
}

WCHAR* _wcslwr(WCHAR* s) {
  for (WCHAR* p = s; *p != 0; ++p) *p = towlower(*p);
  return s;
}
