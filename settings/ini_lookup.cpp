#include "settings/ini_lookup.h"

#include "platform/wstring.h"

namespace {

bool IsBlank(WCHAR c) { return c == u' ' || c == u'\t'; }

std::size_t FindSectionEnd(const WCHAR* text, std::size_t n, std::size_t bodyStart) {
  // Any "[" that begins a line ends the section, whether or not a valid header follows.
  for (const WCHAR* p = wcschr(text + bodyStart, u'['); p != nullptr; p = wcschr(p + 1, u'[')) {
    // bodyStart lies after a "[" and a "]", so p - 1 is inside the text.
    if (p[-1] == u'\n') return static_cast<std::size_t>(p - text);
  }
  return n;
}

std::size_t FindValueEnd(const WCHAR* text, std::size_t n, std::size_t valueStart) {
  const WCHAR* lineEnd = wcsstr(text + valueStart, u"\r\n");
  return lineEnd == nullptr ? n : static_cast<std::size_t>(lineEnd - text);
}

}  // namespace

bool IniFindSection(const WCHAR* text, std::size_t n, const WCHAR* name, IniSection* out) {
  std::size_t length = wcslen(name);
  // Each next search starts one code unit after the rejected occurrence, so no occurrence is
  // passed over, even for a name that overlaps itself.
  for (const WCHAR* p = wcsstr(text, name); p != nullptr; p = wcsstr(p + 1, name)) {
    std::size_t at = static_cast<std::size_t>(p - text);
    if (at == 0 || text[at - 1] != u'[') continue;
    if (text[at + length] != u']') continue;
    // The "]" is inside the text, so the code unit after it is a character or the final zero.
    if (text[at + length + 1] != u'\r' && at + length != n - 1) continue;
    if (at != 1 && text[at - 2] != u'\n') continue;
    out->header = at - 1;
    out->bodyStart = at + length + 1;
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
  for (const WCHAR* lf = wcschr(text + section.bodyStart, u'\n'); lf != nullptr;
       lf = wcschr(lf + 1, u'\n')) {
    std::size_t lineStart = static_cast<std::size_t>(lf - text) + 1;
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
