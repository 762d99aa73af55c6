// The quorvane-ini tool as its users run it: arguments in, standard output, exit status and
// the settings file's bytes out.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/settings/settings_test_support.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_folder.h"

namespace {

using settings_test::File;
using settings_test::kExample;
using settings_test::Show;

using test_support::Outcome;

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<none>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class QuorvaneIniTest : public ::testing::Test {
 protected:
  // Runs the tool in the test's folder, so that a relative FILE lies there.
  Outcome Run(const std::vector<std::string>& args) {
    return test_support::RunProgram(QUORVANE_INI, args, m_folder);
  }

  std::string Bytes() const { return Slurp(m_folder / "config.ini"); }
  void Put(std::u16string_view text) {
    std::ofstream(m_folder / "config.ini", std::ios::binary | std::ios::trunc) << File(text);
  }

  test_support::TempFolder m_temp{"quorvane-ini"};
  const std::filesystem::path& m_folder = m_temp.path();
};

struct Step {
  std::vector<std::string> args;
  int status;
  const char* out;
  std::u16string_view file;  // the file's text afterwards
};

TEST_F(QuorvaneIniTest, WorkedExamples) {
  const std::string f = "config.ini";
  const Step steps[] = {
      {{"prepare", f}, 0, "", u""},
      {{"get", f, "Main", "one"}, 1, "", u""},
      {{"set", f, "Main", "one", "1"}, 0, "", u"[Main]\r\n  one=1"},
      {{"set", f, "Main", "two", "2"}, 0, "", u"[Main]\r\n  one=1\r\n  two=2"},
      {{"set-int", f, "Extra", "three", "3"}, 0, "", kExample},
      {{"get", f, "Main", "one"}, 0, "1\n", kExample},
      {{"get-int", f, "Extra", "three"}, 0, "3\n", kExample},
      {{"get", f, "Main", "three"}, 1, "", kExample},
      {{"get", f, "Other", "one"}, 1, "", kExample},
      {{"set", f, "Main", "one", "10"}, 0, "",
       u"[Main]\r\n  one=10\r\n  two=2\r\n[Extra]\r\n  three=3"},
      {{"set-int", f, "Main", "five", "5"}, 0, "",
       u"[Main]\r\n  one=10\r\n  two=2\r\n  five=5\r\n[Extra]\r\n  three=3"},
      {{"delete", f, "Main", "one"}, 0, "", u"[Main]\r\n  two=2\r\n  five=5\r\n[Extra]\r\n  three=3"},
      {{"delete", f, "Main", "nine"}, 0, "", u"[Main]\r\n  two=2\r\n  five=5\r\n[Extra]\r\n  three=3"},
      {{"delete", f, "Extra", "three"}, 0, "", u"[Main]\r\n  two=2\r\n  five=5\r\n[Extra]\r\n"},
      {{"delete", f, "Main"}, 0, "", u"[Extra]\r\n"},
      {{"set-int", f, "Extra", "n", "-2147483648"}, 0, "", u"[Extra]\r\n\r\n  n=-2147483648"},
      {{"get-int", f, "Extra", "n"}, 0, "-2147483648\n", u"[Extra]\r\n\r\n  n=-2147483648"},
      {{"set", f, "Extra", "n", ""}, 0, "", u"[Extra]\r\n\r\n  n="},
      {{"get", f, "Extra", "n"}, 0, "\n", u"[Extra]\r\n\r\n  n="},
      {{"get-int", f, "Extra", "n"}, 0, "0\n", u"[Extra]\r\n\r\n  n="},
      {{"set", f, "Extra", "n", "音乐 ♪"}, 0, "", u"[Extra]\r\n\r\n  n=音乐 ♪"},
      {{"get", f, "Extra", "n"}, 0, "音乐 ♪\n", u"[Extra]\r\n\r\n  n=音乐 ♪"},
      {{"delete", f, "Extra"}, 0, "", u""},
      // Refused by the settings file engine: exit 1, file unchanged.
      {{"set", f, "Main", "k", "a\r\nb"}, 1, "", u""},
      {{"set", f, "Main", "k=", "1"}, 1, "", u""},
      {{"set", f, "", "k", "1"}, 1, "", u""},
      {{"get", f, "", "k"}, 1, "", u""},
  };
  for (const Step& step : steps) {
    std::string line;
    for (const std::string& a : step.args) line += " " + a;
    SCOPED_TRACE("quorvane-ini" + line);
    Outcome outcome = Run(step.args);
    EXPECT_EQ(outcome.status, step.status) << outcome.err;
    EXPECT_EQ(outcome.out, step.out);
    EXPECT_EQ(Show(Bytes()), Show(File(step.file)));
  }
}

TEST_F(QuorvaneIniTest, UsageErrorsExitWithTwoAndTouchNothing) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate", "config.ini"},
      {"get", "config.ini", "Main"},
      {"get", "config.ini", "Main", "one", "extra"},
      {"set", "config.ini", "Main", "one"},
      {"set-int", "config.ini", "Main", "one", "1x"},
      {"set-int", "config.ini", "Main", "one", "x"},
      {"set-int", "config.ini", "Main", "one", ""},
      {"set-int", "config.ini", "Main", "one", " 1"},
      {"set-int", "config.ini", "Main", "one", "2147483648"},
      {"set-int", "config.ini", "Main", "one", "-2147483649"},
      {"set", "config.ini", "Ma\xFFin", "one", "1"},
      {"set", "config.ini", "Main", "one", "\xC0\xAF"},
      {"delete", "config.ini"},
      {"prepare"},
  };
  Put(kExample);
  for (const std::vector<std::string>& args : cases) {
    std::string line;
    for (const std::string& a : args) line += " [" + a + "]";
    SCOPED_TRACE("quorvane-ini" + line);
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err, "");
    EXPECT_EQ(Show(Bytes()), Show(File(kExample)));
  }
}

TEST_F(QuorvaneIniTest, FailuresExitWithOne) {
  const std::vector<std::vector<std::string>> cases = {
      {"get", "missing.ini", "Main", "one"},
      {"set", "missing.ini", "Main", "one", "1"},
      {"delete", "missing.ini", "Main"},
      {"prepare", "config.txt"},
      {"prepare", "no-such-folder/config.ini"},
  };
  for (const std::vector<std::string>& args : cases) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(m_folder / "missing.ini"));
  EXPECT_FALSE(std::filesystem::exists(m_folder / "config.txt"));
}

TEST_F(QuorvaneIniTest, TakesAbsolutePathsAndNegativeNumbers) {
  std::string path = (m_folder / "config.ini").string();
  EXPECT_EQ(Run({"prepare", path}).status, 0);
  EXPECT_EQ(Run({"set-int", path, "Main", "x", "-5"}).status, 0);
  EXPECT_EQ(Run({"set-int", path, "Main", "y", "--", "-6"}).status, 0);
  EXPECT_EQ(Show(Bytes()), Show(File(u"[Main]\r\n  x=-5\r\n  y=-6")));
  EXPECT_EQ(Run({"get-int", path, "Main", "y"}).out, "-6\n");
}

TEST_F(QuorvaneIniTest, HelpExplainsWithExamples) {
  Outcome outcome = Run({"--help"});
  EXPECT_EQ(outcome.status, 0);
  for (const char* word : {"prepare", "get-int", "set-int", "delete", "Examples"}) {
    EXPECT_NE(outcome.out.find(word), std::string::npos) << word;
  }
}

}  // namespace
