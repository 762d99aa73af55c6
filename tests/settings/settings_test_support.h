// A fresh handset per test whose "\" is a new temporary host folder, and short helpers to put
// a settings file there and look at its bytes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "host/crt/byte_text.h"
#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "tests/support/temp_folder.h"

namespace settings_test {

// The handset path of the settings file in the tests.
inline constexpr const char16_t* kPath = u"\\config.ini";

// The example file of the settings file format (docs/settings-file.md), 90 bytes.
inline constexpr std::u16string_view kExample =
    u"[Main]\r\n  one=1\r\n  two=2\r\n[Extra]\r\n  three=3";

// The bytes of a settings file: the mark FF FE, then text in UTF-16LE.
inline std::string File(std::u16string_view text) {
  return "\xFF\xFE" + host::ToUtf16LeBytes(text);
}

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

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() { m_handset = std::make_unique<host::Handset>(m_clock, m_root); }
  ~SettingsTest() override { m_handset.reset(); }

  host::Handset& handset() { return *m_handset; }
  // The host path of a file or folder given relative to the handset's "\".
  std::filesystem::path Host(const std::string& relative = "config.ini") const {
    return std::filesystem::path(m_root) / relative;
  }

  void PutBytes(const std::string& bytes, const std::string& relative = "config.ini") {
    std::ofstream(Host(relative), std::ios::binary | std::ios::trunc) << bytes;
  }
  // A settings file holding the mark and text.
  void Put(std::u16string_view text) { PutBytes(File(text)); }
  // The file's bytes, or "<none>" when it does not exist.
  std::string Bytes(const std::string& relative = "config.ini") const {
    std::ifstream in(Host(relative), std::ios::binary);
    if (!in) return "<none>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // The names in the handset's "\", so a test can see that nothing was left behind.
  std::string Listing() const {
    std::set<std::string> sorted;
    for (const auto& entry : std::filesystem::directory_iterator(m_root)) {
      sorted.insert(entry.path().filename().string());
    }
    std::string names;
    for (const std::string& name : sorted) names += (names.empty() ? "" : " ") + name;
    return names;
  }
  void MakeReadOnly(const std::string& relative = "config.ini") {
    std::filesystem::permissions(Host(relative),
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
  }

 private:
  host::VirtualClock m_clock;
  test_support::TempFolder m_temp{"quorvane-settings"};
  std::string m_root = m_temp.string();
  std::unique_ptr<host::Handset> m_handset;
};

}  // namespace settings_test
