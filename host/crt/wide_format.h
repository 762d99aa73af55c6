// printf-style formatting into UTF-16 for the host's own use (debug output, window texts):
// the same formatter as swprintf in platform/wstring.h, without a caller's buffer.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

#include "platform/windows.h"

namespace host {

// Longest text FormatWide gives; longer results are cut there.
inline constexpr std::size_t kFormatWideLimit = 1 << 16;

// Formats as swprintf does (conversions listed in platform/wstring.h). args is consumed; a
// caller that needs it again passes a va_copy.
std::u16string FormatWide(const WCHAR* format, std::va_list args);

}  // namespace host
