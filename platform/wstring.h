// The standard wide-string routines of the handset's C runtime, for its 16-bit WCHAR.
// Same names and contracts as the C library's wide routines; all strings are zero-terminated.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cwchar>  // first, so the C library's wchar_t routines keep their own overloads
#include <cwctype>

#include "platform/windows.h"

std::size_t wcslen(const WCHAR* s);
int wcscmp(const WCHAR* a, const WCHAR* b);
int wcsncmp(const WCHAR* a, const WCHAR* b, std::size_t n);
// Compare ignoring case (ASCII letters and the Latin-1 letters).
int _wcsicmp(const WCHAR* a, const WCHAR* b);
WCHAR* wcscpy(WCHAR* dest, const WCHAR* src);
// Copies at most n code units; pads with zeros when src is shorter; no terminator when not.
WCHAR* wcsncpy(WCHAR* dest, const WCHAR* src, std::size_t n);
WCHAR* wcscat(WCHAR* dest, const WCHAR* src);
// First occurrence of needle in haystack; haystack itself when needle is empty.
const WCHAR* wcsstr(const WCHAR* haystack, const WCHAR* needle);
WCHAR* wcsstr(WCHAR* haystack, const WCHAR* needle);
const WCHAR* wcschr(const WCHAR* s, WCHAR c);
WCHAR* wcschr(WCHAR* s, WCHAR c);
const WCHAR* wcsrchr(const WCHAR* s, WCHAR c);
WCHAR* wcsrchr(WCHAR* s, WCHAR c);
WCHAR towupper(WCHAR c);
WCHAR towlower(WCHAR c);
// Upper/lower case in place; return s.
WCHAR* _wcsupr(WCHAR* s);
WCHAR* _wcslwr(WCHAR* s);
// As strtol: leading white space, optional sign, digits in base (2 to 36, or 0 for C rules);
// the handset's long is 32-bit, so out-of-range values give its limits; *end (if given) points
// after the number, or to s when there is none.
LONG wcstol(const WCHAR* s, WCHAR** end, int base);
// printf-style formatting of at most count code units (terminator included) into buffer:
// %d %i %u %x %X %c %s (a UTF-16 argument) %% with flags -, 0, width and precision.
// Returns the number of code units written (terminator excluded), or -1 when it did not fit
// (the buffer then holds the truncated, terminated text).
int swprintf(WCHAR* buffer, std::size_t count, const WCHAR* format, ...);
int vswprintf(WCHAR* buffer, std::size_t count, const WCHAR* format, std::va_list args);
