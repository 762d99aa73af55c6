// Finding a font file that has the Chinese glyphs the handset's texts need.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace host::screen {

// The files tried first, in order: WenQuanYi Micro Hei, then other CJK fonts Debian ships.
const std::vector<std::string>& KnownCjkFontFiles();

// How the lookup sees the machine; tests replace both.
struct FontProbe {
  // Whether a readable file exists at path.
  std::function<bool(const std::string& path)> exists;
  // Asks fontconfig for the best file for a pattern (as fc-match does); empty when it has none.
  std::function<std::string(const std::string& pattern)> match;
};
// The real machine: the file system and the fontconfig library.
FontProbe SystemFontProbe();

// The font file to draw with: preferred when given (nullopt if it does not exist), else the first
// known file that exists, else what fontconfig matches for Chinese text (if it exists); nullopt
// when there is none.
std::optional<std::string> FindCjkFont(const std::string& preferred = "",
                                       const FontProbe& probe = SystemFontProbe());

}  // namespace host::screen
