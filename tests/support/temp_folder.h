// A new, empty host folder for one test, removed with everything in it when the object goes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

namespace test_support {

class TempFolder {
 public:
  // Makes TMPDIR/PREFIX-XXXXXX; a test failure (and an empty path) when it cannot.
  explicit TempFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
      ADD_FAILURE() << "no temporary folder " << pattern;
      return;
    }
    m_path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  std::string string() const { return m_path.string(); }

 private:
  std::filesystem::path m_path;
};

}  // namespace test_support
