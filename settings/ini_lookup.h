// How a section, its end, a key and its value are found in the settings text. The reader and
// the writer apply exactly these rules; docs/settings-file.md describes them with examples.
//
// Positions are code-unit indices into the settings text of n code units, which is followed
// by a zero code unit.
#pragma once

#include <cstddef>

#include "platform/windows.h"

struct IniSection {
  std::size_t header;     // the "[" of the header line
  std::size_t bodyStart;  // right after the header's "]"
  std::size_t end;        // the first "[" after the header that begins a line, or n
};

struct IniKey {
  std::size_t lineStart;   // the first code unit of the key's line
  std::size_t name;        // the first code unit of the key name
  std::size_t valueStart;  // right after the "="
  std::size_t valueEnd;    // the CR of the first CR LF after the "=", or n
};

// The first valid header "[" name "]" of section name: a line of its own, its "[" at the
// start of the text or right after a line feed, its "]" followed by CR or ending the text.
// REQUIRES: name is not empty.
bool IniFindSection(const WCHAR* text, std::size_t n, const WCHAR* name, IniSection* out);

// The first line of the section that is a key line of key: the line's start, optional spaces
// and tabs, the key name, then "=".
// REQUIRES: key is not empty.
bool IniFindKey(const WCHAR* text, std::size_t n, const IniSection& section, const WCHAR* key,
                IniKey* out);
