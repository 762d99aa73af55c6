// A fresh handset whose "\" is a temporary folder of its own, removed with it, and short
// helpers that look at that folder from the host's side.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "platform/windows.h"
#include "tests/support/temp_folder.h"

class HandsetFolder : public testing::Test {
 protected:
  HandsetFolder() : m_handset(m_clock, m_root) {}

  host::Handset& handset() { return m_handset; }
  const std::string& root() const { return m_root; }

  // The host path of a name in the handset's root ("a/b.ini").
  std::string HostPath(const std::string& name) const { return m_root + "/" + name; }

  void Put(const std::string& name, const std::string& content, mode_t mode = 0644) {
    std::ofstream(HostPath(name), std::ios::binary) << content;
    ::chmod(HostPath(name).c_str(), mode);
  }
  void MakeFolder(const std::string& name) { std::filesystem::create_directory(HostPath(name)); }
  // The file's content, or "<none>" when it does not exist.
  std::string Content(const std::string& name) const {
    std::ifstream in(HostPath(name), std::ios::binary);
    if (!in) return "<none>";
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  mode_t Mode(const std::string& name) const {
    struct stat st {};
    return ::stat(HostPath(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }

 private:
  host::VirtualClock m_clock;
  test_support::TempFolder m_temp{"quorvane-files"};
  std::string m_root = m_temp.string();
  host::Handset m_handset;
};

// Handset paths for the tests: u"\\" + name.
inline std::u16string InRoot(const std::u16string& name) { return u"\\" + name; }

// Opens as the settings engine does: share read, normal attributes, no template.
inline HANDLE Open(const std::u16string& path, DWORD access, DWORD disposition) {
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

inline constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

// Writes text through the handle; "ok" or the last error as "error N".
inline std::string Write(HANDLE file, const std::string& text) {
  DWORD written = 0;
  if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    return "error " + std::to_string(GetLastError());
  }
  return written == text.size() ? "ok" : "short " + std::to_string(written);
}

// Reads up to size bytes; the bytes read, or "error N".
inline std::string Read(HANDLE file, DWORD size) {
  std::string buffer(size, '\0');
  DWORD read = 0;
  if (!ReadFile(file, buffer.data(), size, &read, nullptr)) {
    return "error " + std::to_string(GetLastError());
  }
  buffer.resize(read);
  return buffer;
}
