#include "host/crt/escaped.h"

namespace host {
namespace {

// The length of the valid UTF-8 sequence at the start of text (a character of 2 to 4 bytes,
// no overlong form, no surrogate, at most U+10FFFF), or 0.
std::size_t Utf8Length(std::string_view text) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  unsigned char second = byte(1);
  if (lead == 0xE0 && second < 0xA0) return 0;   // overlong
  if (lead == 0xED && second >= 0xA0) return 0;  // surrogate
  if (lead == 0xF0 && second < 0x90) return 0;   // overlong
  if (lead == 0xF4 && second >= 0x90) return 0;  // beyond U+10FFFF
  // C1 control characters U+0080..U+009F.
  if (lead == 0xC2 && second < 0xA0) return 0;
  return length;
}

}  // namespace

std::string Escaped(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (std::size_t length = c >= 0x80 ? Utf8Length(bytes.substr(i)) : 0; length > 0) {
      out.append(bytes.substr(i, length));
      i += length;
      continue;
    }
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
    ++i;
  }
  return out;
}

}  // namespace host
