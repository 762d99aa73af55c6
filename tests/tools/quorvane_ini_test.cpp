// The quorvane-ini tool as its users run it: arguments in, standard output, exit status and
// the settings file's bytes out.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(QuorvaneIniTest, FailuresSayWhyInOneLine) {
  struct Case {
    std::vector<std::string> args;
    const char* file;  // what config.ini holds first: "mark", "utf8", "read-only", "fifo"
    const char* says;
  };
  const Case cases[] = {
      {{"get", "missing.ini", "Main", "one"}, "mark", "missing.ini: no such file"},
      {{"set", "config.ini", "Main", "one", "1"}, "utf8", "not a settings file"},
      {{"get", "config.ini", "Main", "one"}, "utf8", "FF FE"},
      {{"set", "config.ini", "Main", "one", "1"}, "read-only", "config.ini: is read-only"},
      {{"delete", "config.ini", "Main"}, "read-only", "config.ini: is read-only"},
      {{"set", "config.ini", "Main", "one", "a\r\nb"}, "mark", "VALUE must not hold a line break"},
      {{"set", "config.ini", "Main", "k=", "1"}, "mark", "KEY must not hold '='"},
      {{"set", "config.ini", "Ma\nin", "k", "1"}, "mark", "SECTION must not hold a line break"},
      {{"set", "config.ini", "", "k", "1"}, "mark", "SECTION must not be empty"},
      {{"get", "config.ini", "Main", "nine"}, "mark", "no key 'nine' in section 'Main'"},
      // A section that is not there is named, not the key looked for in it.
      {{"get-int", "config.ini", "main", "one"}, "mark", "no section 'main' (its name is"},
      {{"get", "config.ini", "Main ", "one"}, "mark", "no section 'Main '"},
      {{"get", "config.ini", "Ma\x1b[2Jin", "nine"}, "mark", "section 'Ma\\x1b[2Jin'"},
      {{"prepare", "config.txt"}, "mark", "config.txt: a settings file's name must end in .ini"},
      {{"prepare", "no-folder/config.ini"}, "mark", "the folder does not exist"},
      {{"get", "config.ini", "Main", "one"}, "fifo", "config.ini: is not a regular file"},
      {{"prepare", "config.ini"}, "fifo", "config.ini: is not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.args[0] + " " + c.args[1]);
    std::filesystem::remove(m_folder / "config.ini");
    std::string kind = c.file;
    if (kind == "fifo") {
      ASSERT_EQ(mkfifo((m_folder / "config.ini").c_str(), 0644), 0);
    } else {
      std::ofstream(m_folder / "config.ini", std::ios::binary)
          << (kind == "utf8" ? std::string("[Main]\n  one=1\n") : File(kExample));
      if (kind == "read-only") {
        std::filesystem::permissions(m_folder / "config.ini", std::filesystem::perms(0444));
      }
    }
    Outcome outcome = Run(c.args);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << outcome.err;
  }
}

TEST_F(QuorvaneIniTest, UsageErrorsNameWhatIsUnknown) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"frob", "x"}, "unknown subcommand 'frob'"},
      {{"set", "--frob", "config.ini", "Main", "one", "1"}, "--frob"},
      {{"--verbose", "get", "config.ini", "Main", "one"}, "--verbose"},
  };
  for (const auto& [args, says] : cases) {
    SCOPED_TRACE(says);
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find(says), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << outcome.err;
  }
}

TEST_F(QuorvaneIniTest, ConcurrentWritersTakeTurnsAndLoseNothing) {
  // Each writer sets its own key to 1, 2, ... in a loop of its own; at the end every key holds
  // its last value and every run succeeded.
  constexpr int kWriters = 3;
  constexpr int kRounds = 20;
  Put(u"[Main]\r\n  keep=1");
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    std::string loop = "cd '" + m_folder.string() + "' && i=1; while [ $i -le " +
                       std::to_string(kRounds) + " ]; do '" + QUORVANE_INI +
                       "' set config.ini Main key" + std::to_string(w) +
                       " $i || exit 1; i=$((i+1)); done";
    pid_t child = fork();
    if (child == 0) {
      execl("/bin/sh", "sh", "-c", loop.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_GT(child, 0);
    writers.push_back(child);
  }
  for (pid_t writer : writers) {
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
  }
  for (int w = 0; w < kWriters; ++w) {
    Outcome outcome = Run({"get-int", "config.ini", "Main", "key" + std::to_string(w)});
    EXPECT_EQ(outcome.out, std::to_string(kRounds) + "\n") << "key" << w;
  }
  EXPECT_EQ(Run({"get", "config.ini", "Main", "keep"}).out, "1\n");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(m_folder)) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"config.ini"});
}

}  // namespace
