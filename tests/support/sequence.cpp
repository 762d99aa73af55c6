#include "tests/support/sequence.h"

namespace test_support {

std::optional<SequenceDifference> FirstDifference(
    std::size_t expectedCount, std::size_t actualCount,
    const std::function<bool(std::size_t, std::size_t)>& matches,
    const std::function<Times(std::size_t)>& times) {
  using Kind = SequenceDifference::Kind;
  std::size_t i = 0;
  std::size_t j = 0;
  auto mayPass = [&](std::size_t k) { return times(k) != Times::kOnce; };
  while (i < expectedCount && j < actualCount) {
    bool repeated = times(i) == Times::kAnyNumber;
    if (repeated && i + 1 < expectedCount && matches(i + 1, j)) {
      ++i;
    } else if (matches(i, j)) {
      if (!repeated) ++i;
      ++j;
    } else if (mayPass(i)) {
      ++i;
    } else {
      return SequenceDifference{Kind::kDiffer, i, j};
    }
  }
  while (i < expectedCount && mayPass(i)) ++i;
  if (i < expectedCount) return SequenceDifference{Kind::kEndsEarly, i, j};
  if (j < actualCount) return SequenceDifference{Kind::kLeftOver, i, j};
  return std::nullopt;
}

testing::AssertionResult SameSequence(const std::vector<std::string>& expected,
                                      const std::vector<std::string>& actual) {
  using Kind = SequenceDifference::Kind;
  std::optional<SequenceDifference> difference = FirstDifference(
      expected.size(), actual.size(),
      [&](std::size_t i, std::size_t j) { return expected[i] == actual[j]; },
      [](std::size_t) { return Times::kOnce; });
  if (!difference) return testing::AssertionSuccess();
  testing::AssertionResult failure = testing::AssertionFailure();
  switch (difference->kind) {
    case Kind::kDiffer:
      failure << "first difference at " << difference->actual << ": expected \""
              << expected[difference->expected] << "\", got \"" << actual[difference->actual]
              << "\"";
      break;
    case Kind::kEndsEarly:
      failure << "expected " << expected.size() << " entries, got " << actual.size()
              << " (first missing: \"" << expected[difference->expected] << "\")";
      break;
    case Kind::kLeftOver:
      failure << "expected " << expected.size() << " entries, got " << actual.size()
              << " (first extra: \"" << actual[difference->actual] << "\")";
      break;
  }
  failure << "\nwhole sequence:\n";
  for (std::size_t i = 0; i < actual.size(); ++i) {
    failure << "  " << i << ": " << actual[i] << "\n";
  }
  return failure;
}

}  // namespace test_support
