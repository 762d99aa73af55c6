// Bytes as text and text as bytes: lower-case hex for traces, and UTF-16LE, the encoding of
// the handset's files (the settings file format, see docs/settings-file.md).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace host {

// Two lower-case hex digits per byte: "\x1e\x05" is "1e05".
inline std::string HexBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * bytes.size());
  for (unsigned char byte : bytes) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
  }
  return out;
}

// The code units of text, each as two bytes, low byte first. No byte-order mark is added.
inline std::string ToUtf16LeBytes(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(2 * text.size());
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

// The code units of UTF-16LE bytes, two bytes each, low byte first; an odd last byte is left
// out. No byte-order mark is taken off.
inline std::u16string FromUtf16LeBytes(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return text;
}

}  // namespace host
