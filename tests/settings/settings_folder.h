// A fresh handset whose "\" is a new temporary host folder, with short helpers to put a
// settings file there and look at its bytes; and the settings texts the tests and the
// benchmarks share. Free of GoogleTest, so that the benchmarks can use it too.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <string_view>

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

// The file of the settings record's first save: its seven values at their defaults, 244 bytes.
inline constexpr std::u16string_view kFirstSave =
    u"[Powered By Zelbin]\r\n"
    u"  minacc_x=120\r\n"
    u"  minacc_y=120\r\n"
    u"  minacc_z=120\r\n"
    u"  autoacc=1\r\n"
    u"  autohide=0\r\n"
    u"  autorun=0\r\n"
    u"  autoplay=1";

// The bytes of a settings file: the mark FF FE, then text in UTF-16LE.
inline std::string File(std::u16string_view text) {
  return "\xFF\xFE" + host::ToUtf16LeBytes(text);
}

// Owns the handset and its folder: the folder is removed with everything in it when the
// object goes.
class SettingsFolder {
 public:
  explicit SettingsFolder(const std::string& prefix = "quorvane-settings")
      : m_temp(prefix), m_root(m_temp.string()) {
    m_handset = std::make_unique<host::Handset>(m_clock, m_root);
  }
  ~SettingsFolder() { m_handset.reset(); }
  SettingsFolder(const SettingsFolder&) = delete;
  SettingsFolder& operator=(const SettingsFolder&) = delete;

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
  // Makes executable (a handset path) the running process, as when Quorvane runs from there.
  void RunAs(const std::u16string& executable) {
    m_handset->set_current_pid(m_handset->StartProcess(executable, nullptr));
  }

 private:
  host::VirtualClock m_clock;
  test_support::TempFolder m_temp;
  std::string m_root;
  std::unique_ptr<host::Handset> m_handset;
};

}  // namespace settings_test
