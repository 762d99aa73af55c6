// The settings tests' fixture: a fresh settings folder per test (settings_folder.h), and Show,
// which prints a file's bytes so that a difference can be read.
#pragma once

#include <cstddef>
#include <string>

#include <gtest/gtest.h>

#include "host/crt/byte_text.h"
#include "tests/settings/settings_folder.h"

namespace settings_test {

// The bytes as readable text, one to one: "<FFFE>" for the mark, CR LF as "⏎" and a line
// break, other code units as themselves when printable ASCII, else as \uXXXX; an odd last
// byte as <odd XX>.
inline std::string Show(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  std::size_t i = 0;
  if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0) {
    out = "<FFFE>";
    i = 2;
  }
  std::u16string units = host::FromUtf16LeBytes(std::string_view(bytes).substr(i));
  for (std::size_t k = 0; k < units.size(); ++k) {
    unsigned c = units[k];
    if (c == '\r' && k + 1 < units.size() && units[k + 1] == '\n') {
      out += "\xE2\x8F\x8E\n";  // ⏎
      ++k;
    } else if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
    }
  }
  if ((bytes.size() - i) % 2 != 0) {
    unsigned b = static_cast<unsigned char>(bytes.back());
    out += std::string("<odd ") + kHex[b >> 4] + kHex[b & 0xF] + ">";
  }
  return out;
}

class SettingsTest : public ::testing::Test, public SettingsFolder {};

}  // namespace settings_test
