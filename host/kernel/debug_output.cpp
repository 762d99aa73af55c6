// NKDbgPrintfW: printf-style text into the handset's debug output.
#include <cstdarg>
#include <vector>

#include "host/kernel/handset.h"
#include "platform/wstring.h"

void NKDbgPrintfW(LPCWSTR lpszFmt, ...) {
  if (lpszFmt == nullptr) return;
  // Debug texts are short; the buffer grows for the rare long one.
  constexpr std::size_t kFirstSize = 256;
  constexpr std::size_t kMaxSize = 1 << 16;
  std::vector<WCHAR> buffer(kFirstSize);
  int length = -1;
  for (;;) {
    std::va_list args;
    va_start(args, lpszFmt);
    length = vswprintf(buffer.data(), buffer.size(), lpszFmt, args);
    va_end(args);
    if (length >= 0 || buffer.size() >= kMaxSize) break;
    buffer.resize(buffer.size() * 4);
  }
  // A text too long even then is kept cut, as the formatter left it.
  std::u16string text(buffer.data());
  host::Handset::Current().AddDebugOutput(std::move(text));
}
