// The runner end to end, with the test application (test_app.h): scripts in, traces out.
#include "host/scenario/runner.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>

#include "host/kernel/clock.h"
#include "host/kernel/trace.h"
#include "tests/host/scenario/test_app.h"

namespace host::scenario {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// Compares traces line by line and names the first difference.
void ExpectTrace(std::string_view expected, const std::vector<std::string>& actual) {
  std::vector<std::string> want = Lines(std::string(expected));
  std::size_t n = std::min(want.size(), actual.size());
  for (std::size_t i = 0; i < n; ++i) {
    ASSERT_EQ(want[i], actual[i]) << "first difference at trace line " << i + 1;
  }
  ASSERT_EQ(want.size(), actual.size())
      << "first difference at trace line " << n + 1 << ": "
      << (n < actual.size() ? "unexpected " + actual[n] : "missing " + want[n]);
}

class RunnerTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "runner-test-XXXXXX").string();
    ASSERT_NE(nullptr, mkdtemp(pattern.data()));
    m_root = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(m_root); }

  // Runs the script; the trace and the diagnostics are kept.
  RunStatus Run(std::string_view script) {
    ParseResult parsed = ParseScript(script);
    EXPECT_FALSE(parsed.error) << parsed.error->line << ": " << parsed.error->message;
    std::ostringstream traceText;
    std::ostringstream diagnostics;
    RunStatus status;
    {
      VirtualClock clock;
      Handset handset(clock, m_root);
      JsonLinesTrace trace(traceText);
      handset.set_trace(&trace);
      Runner runner(handset, std::move(parsed.commands), "test.qvs", TestApplication(),
                    diagnostics);
      status = runner.Run();
    }
    m_trace = Lines(traceText.str());
    m_diagnostics = diagnostics.str();
    return status;
  }

  std::string m_root;
  std::vector<std::string> m_trace;
  std::string m_diagnostics;
};

TEST_F(RunnerTest, DumpTrace) {
  Run(R"(
start
wait 1600
tap 2
snapshot
)");
  for (const std::string& line : m_trace) std::cout << line << "\n";
  std::cout << m_diagnostics;
}

}  // namespace
}  // namespace host::scenario
