// Table tests of texts: an input beside what the code under test makes of it, as text. For the
// parsers and lookups whose tests read best as such a table.
#pragma once

#include <cstddef>

#include <gtest/gtest.h>

namespace test_support {

struct TextCase {
  const char* input;
  const char* expected;  // what function(input) gives
};

// Expects function(input) to equal expected for every case, naming the input of a case that
// differs. function takes a const char* and returns something comparable with it (a string).
template <std::size_t N, class Function>
void ExpectTexts(const TextCase (&cases)[N], Function function) {
  for (const TextCase& c : cases) EXPECT_EQ(c.expected, function(c.input)) << c.input;
}

}  // namespace test_support
