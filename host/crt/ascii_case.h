// ASCII letter case, for the names the handset matches without regard to case (device names,
// registered messages, process paths) and for host file names. Only A-Z and a-z are folded;
// every other character, also a non-ASCII letter, stands for itself.
#pragma once

#include <algorithm>
#include <string_view>

namespace host {

// c with A-Z brought to a-z.
template <typename Char>
constexpr Char FoldAscii(Char c) {
  return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// Whether a and b are the same text but for the case of ASCII letters.
template <typename Char>
bool EqualIgnoringAsciiCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](Char x, Char y) { return FoldAscii(x) == FoldAscii(y); });
}
inline bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return EqualIgnoringAsciiCase<char16_t>(a, b);
}

// Whether a sorts before b once ASCII letters are folded to lower case (so "_" sorts after
// letters, as the handset's _wcsicmp has it).
template <typename Char>
bool LessIgnoringAsciiCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](Char x, Char y) { return FoldAscii(x) < FoldAscii(y); });
}
inline bool LessIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return LessIgnoringAsciiCase<char>(a, b);
}
inline bool LessIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return LessIgnoringAsciiCase<char16_t>(a, b);
}

}  // namespace host
