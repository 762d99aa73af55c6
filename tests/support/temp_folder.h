// A new, empty host folder, removed with everything in it when the object goes: for the tests,
// the fuzzers, the benchmarks and the test programs alike.
#pragma once

#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace test_support {

class TempFolder {
 public:
  // Makes BASE/PREFIX-XXXXXX (BASE: the system's temporary folder). A process that cannot make
  // one ends with the reason: nothing it would go on to check means anything without it.
  explicit TempFolder(const std::string& prefix,
                      const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
    std::string pattern = (base / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::fprintf(stderr, "no temporary folder %s: %s\n", pattern.c_str(), std::strerror(errno));
      std::abort();
    }
    m_path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  std::string string() const { return m_path.string(); }

 private:
  std::filesystem::path m_path;
};

}  // namespace test_support
