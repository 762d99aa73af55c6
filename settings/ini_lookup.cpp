#include "settings/ini_lookup.h"

#include <bit>
#include <cstring>

#include "platform/wstring.h"

static_assert(std::endian::native == std::endian::little);

namespace {

bool IsBlank(WCHAR c) { return c == u' ' || c == u'\t'; }

// The index of the first code unit c in [from, to), or to. The marks of the format ("[",
// "]", CR, LF) are all below 0x100, so the search looks for c's low byte with memchr, which
// goes through a large file many times faster than a loop over code units, and then keeps
// only hits that are the low byte of a code unit whose high byte is zero.
// REQUIRES: c < 0x100.
std::size_t FindUnit(const WCHAR* text, std::size_t from, std::size_t to, WCHAR c) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  std::size_t at = 2 * from;
  const std::size_t end = 2 * to;
  while (at < end) {
    const void* hit = std::memchr(bytes + at, c, end - at);
    if (hit == nullptr) break;
    at = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - bytes);
    if (at % 2 == 0 && bytes[at + 1] == 0) return at / 2;
    ++at;
  }
  return to;
}

std::size_t FindSectionEnd(const WCHAR* text, std::size_t n, std::size_t bodyStart) {
  // Any "[" that begins a line ends the section, whether or not a valid header follows.
  // bodyStart lies after a "[" and a "]", so the code unit before a "[" is inside the text.
  for (std::size_t at = FindUnit(text, bodyStart, n, u'['); at < n;
       at = FindUnit(text, at + 1, n, u'[')) {
    if (text[at - 1] == u'\n') return at;
  }
  return n;
}

std::size_t FindValueEnd(const WCHAR* text, std::size_t n, std::size_t valueStart) {
  for (std::size_t at = FindUnit(text, valueStart, n, u'\r'); at < n;
       at = FindUnit(text, at + 1, n, u'\r')) {
    if (text[at + 1] == u'\n') return at;
  }
  return n;
}

}  // namespace

bool IniFindSection(const WCHAR* text, std::size_t n, const WCHAR* name, IniSection* out) {
  // The first valid header is the first "[" that begins a line and is followed by the name,
  // "]" and CR (or the end of the text). Looking at the "[" that begin lines finds the same
  // header as looking at each occurrence of the name, and passes over the text once.
  std::size_t length = wcslen(name);
  for (std::size_t at = FindUnit(text, 0, n, u'['); at < n; at = FindUnit(text, at + 1, n, u'[')) {
    if (at != 0 && text[at - 1] != u'\n') continue;
    if (wcsncmp(text + at + 1, name, length) != 0) continue;
    // The name matched, so the code unit after it is inside the text or its final zero.
    std::size_t close = at + 1 + length;
    if (text[close] != u']') continue;
    if (text[close + 1] != u'\r' && close != n - 1) continue;
    out->header = at;
    out->bodyStart = close + 1;
    out->end = FindSectionEnd(text, n, out->bodyStart);
    return true;
  }
  return false;
}

bool IniFindKey(const WCHAR* text, std::size_t n, const IniSection& section, const WCHAR* key,
                IniKey* out) {
  // A key is found only at the start of a key line: a line feed, optional spaces and tabs,
  // the name, then "=". Not as the tail of a longer name (key two in "extratwo=5"), not
  // after other text on the line (";two=5"), not inside another key's value.
  std::size_t keyLength = wcslen(key);
  std::size_t keyIndent = 0;
  while (IsBlank(key[keyIndent])) ++keyIndent;

  // The header line runs up to the first line feed; key lines start after it. Lines are
  // looked at only up to the section end: a line that starts there belongs to the next.
  for (std::size_t lf = FindUnit(text, section.bodyStart, section.end, u'\n');
       lf < section.end; lf = FindUnit(text, lf + 1, section.end, u'\n')) {
    std::size_t lineStart = lf + 1;
    if (lineStart >= section.end) break;
    std::size_t indent = 0;
    while (IsBlank(text[lineStart + indent])) ++indent;
    // The blanks that a key name itself starts with must be the last ones of the indentation.
    if (indent < keyIndent) continue;
    std::size_t at = lineStart + indent - keyIndent;
    if (wcsncmp(text + at, key, keyLength) != 0 || text[at + keyLength] != u'=') continue;
    out->lineStart = lineStart;
    out->name = at;
    out->valueStart = at + keyLength + 1;
    out->valueEnd = FindValueEnd(text, n, out->valueStart);
    return true;
  }
  return false;
}
