// Numbered lines of a UTF-8 text, and the trimming of blanks around a line or a field.
//
// Numbered lines: as scripts and recordings are read: a leading byte-order mark
// is dropped, a line ends at LF with an optional CR before it, and the last line may lack its LF.
//
//   TextLines lines(text);
//   while (std::optional<std::string_view> line = lines.Next()) Use(lines.number(), *line);
#pragma once

#include <optional>
#include <string_view>

namespace host {

// text without the spaces, tabs, CRs and LFs around it.
inline std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

class TextLines {
 public:
  explicit TextLines(std::string_view text) : m_rest(text) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (m_rest.substr(0, kBom.size()) == kBom) m_rest.remove_prefix(kBom.size());
  }

  // The next line without its line end; nullopt after the last one.
  std::optional<std::string_view> Next() {
    if (m_rest.empty()) return std::nullopt;
    ++m_number;
    std::size_t end = m_rest.find('\n');
    std::string_view line = m_rest.substr(0, end);
    m_rest.remove_prefix(end == std::string_view::npos ? m_rest.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

  // The 1-based number of the line Next returned last.
  int number() const { return m_number; }

 private:
  std::string_view m_rest;
  int m_number = 0;
};

}  // namespace host
