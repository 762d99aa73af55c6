// Compares what happened with the expected sequence and reports the first difference.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace host::testing_support {

inline std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) out += "  " + std::to_string(i) + ": " + lines[i] + "\n";
  return out;
}

inline ::testing::AssertionResult SameSequence(const std::vector<std::string>& expected,
                                               const std::vector<std::string>& actual) {
  std::size_t n = std::min(expected.size(), actual.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (expected[i] != actual[i]) {
      return ::testing::AssertionFailure()
             << "first difference at " << i << ": expected \"" << expected[i] << "\", got \""
             << actual[i] << "\"\nwhole sequence:\n"
             << Joined(actual);
    }
  }
  if (expected.size() != actual.size()) {
    return ::testing::AssertionFailure()
           << "expected " << expected.size() << " entries, got " << actual.size() << " (first "
           << (expected.size() > actual.size() ? "missing: \"" + expected[n] + "\""
                                                : "extra: \"" + actual[n] + "\"")
           << ")\nwhole sequence:\n"
           << Joined(actual);
  }
  return ::testing::AssertionSuccess();
}

}  // namespace host::testing_support
