// A scenario script as text: its lines, split into words, and the numbers in them. What the
// words mean is commands.h's business; docs/scenarios.md describes the language.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/crt/result.h"

namespace host::scenario {

// One command line of a script.
struct ScriptLine {
  int line = 0;                    // 1-based line number in the script
  std::vector<std::string> words;  // the command's name, then its arguments (quotes removed)
};

struct SplitResult {
  std::vector<ScriptLine> lines;
  std::optional<Error> error;  // at its line; lines holds those before the faulty one
};

// Splits a UTF-8 script into command lines. Lines end with LF (a CR before it is dropped); a
// UTF-8 byte-order mark at the start is skipped. Blank lines and comment lines (whose first
// non-blank character is '#') hold no command. Words are separated by spaces or tabs. A word
// that begins with '"' is quoted: it runs to the next '"' that is not escaped, and inside it
// \" stands for '"' and \\ for '\'; every other character, any other backslash included, stands
// for itself. A quoted word must be followed by a separator or the end of the line. Elsewhere
// '"' and '\' are ordinary characters.
SplitResult SplitScript(std::string_view text);

// A number as written: decimal, or hexadecimal after 0x or 0X, with an optional '-' or '+'.
// Returns it when it is well formed and lies in [min, max].
std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t min,
                                         std::int64_t max);
// A 64-bit word (WPARAM, LPARAM, timer ids): numbers from -2^63 to 2^64 - 1, negative ones in
// two's complement.
std::optional<std::uint64_t> ParseWord(std::string_view text);

}  // namespace host::scenario
