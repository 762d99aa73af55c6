// Compares what happened with what a test expects, entry by entry, the way Wine's ok_sequence
// checks a window's messages, and names the first difference. FirstDifference is the walk that
// every comparison of sequences in the tests shares: SameSequence below for lists of lines, and
// trace_match.h for trace events.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace test_support {

// How often an expected entry must be met.
enum class Times {
  kOnce,
  kMaybe,      // once or not at all
  kAnyNumber,  // any number in a row, none included
};

// Where an expected list and what happened part.
struct SequenceDifference {
  enum class Kind {
    kDiffer,    // expected entry `expected` does not take actual entry `actual`
    kEndsEarly, // what happened ends before expected entry `expected` (actual: the count)
    kLeftOver,  // actual entry `actual` is one more than the list expects
  };
  Kind kind;
  std::size_t expected;
  std::size_t actual;
};

// Walks expectedCount expected entries against actualCount actual ones, in order: matches(i, j)
// tells whether expected entry i takes actual entry j, times(i) how often i must come. An entry
// that may be missing lets the next one try the same actual entry; one of any number gives way
// as soon as the next expected entry takes the actual one. No value when the two agree.
std::optional<SequenceDifference> FirstDifference(
    std::size_t expectedCount, std::size_t actualCount,
    const std::function<bool(std::size_t expected, std::size_t actual)>& matches,
    const std::function<Times(std::size_t expected)>& times);

// Whether actual holds exactly the lines of expected, in order; else the first difference with
// its position, and the whole of actual.
testing::AssertionResult SameSequence(const std::vector<std::string>& expected,
                                      const std::vector<std::string>& actual);

}  // namespace test_support
