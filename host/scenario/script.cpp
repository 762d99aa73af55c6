#include "host/scenario/script.h"

#include <limits>
#include <optional>

#include "host/crt/text_lines.h"

namespace host::scenario {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Magnitude {
  bool negative = false;
  std::uint64_t value = 0;
};

// Sign and digits; nothing else may stand in the text.
std::optional<Magnitude> ParseMagnitude(std::string_view text) {
  Magnitude number;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    number.negative = text[0] == '-';
    text.remove_prefix(1);
  }
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    if (number.value > (kMax - digit) / base) return std::nullopt;
    number.value = number.value * base + digit;
  }
  return number;
}

// The words of one line (without its line end).
Result<std::vector<std::string>> SplitLine(std::string_view text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) return words;
    std::string word;
    if (text[i] != '"') {
      while (i < text.size() && !IsBlank(text[i])) word += text[i++];
      words.push_back(std::move(word));
      continue;
    }
    ++i;  // the opening quote
    bool closed = false;
    while (i < text.size()) {
      char c = text[i];
      if (c == '"') {
        closed = true;
        ++i;
        break;
      }
      if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) {
        word += text[i + 1];
        i += 2;
        continue;
      }
      word += c;
      ++i;
    }
    if (!closed) return Error("missing closing quote");
    if (i < text.size() && !IsBlank(text[i])) {
      return Error("a quoted argument must be followed by a space");
    }
    words.push_back(std::move(word));
  }
}

}  // namespace

SplitResult SplitScript(std::string_view text) {
  SplitResult result;
  TextLines lines(text);
  while (std::optional<std::string_view> next = lines.Next()) {
    int lineNumber = lines.number();
    std::string_view line = *next;

    std::size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    if (first == line.size() || line[first] == '#') continue;

    Result<std::vector<std::string>> words = SplitLine(line);
    if (!words) {
      result.error = Error::AtLine(lineNumber, words.error().message());
      return result;
    }
    result.lines.push_back({lineNumber, *std::move(words)});
  }
  return result;
}

std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t min,
                                         std::int64_t max) {
  std::optional<Magnitude> number = ParseMagnitude(text);
  if (!number) return std::nullopt;
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;
  std::int64_t value;
  if (number->negative) {
    if (number->value > kLimit) return std::nullopt;
    value = number->value == kLimit ? std::numeric_limits<std::int64_t>::min()
                                    : -static_cast<std::int64_t>(number->value);
  } else {
    if (number->value >= kLimit) return std::nullopt;
    value = static_cast<std::int64_t>(number->value);
  }
  if (value < min || value > max) return std::nullopt;
  return value;
}

std::optional<std::uint64_t> ParseWord(std::string_view text) {
  std::optional<Magnitude> number = ParseMagnitude(text);
  if (!number) return std::nullopt;
  if (!number->negative) return number->value;
  if (number->value > (std::uint64_t{1} << 63)) return std::nullopt;
  return std::uint64_t{0} - number->value;
}

}  // namespace host::scenario
