// The script mode as the quorvane executable runs it: what it says about scripts it cannot
// take, and that it says it in one line whatever bytes the script holds.
#include "host/scenario/script_mode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "tests/host/scenario/test_app.h"
#include "tests/support/temp_folder.h"

namespace host::scenario {
namespace {

namespace fs = std::filesystem;

class ScriptModeTest : public testing::Test {
 protected:
  // Runs the script file at path; the exit status, with standard output in m_out and the
  // diagnostics in m_err.
  int RunFile(const std::string& path, std::optional<std::string> tracePath = std::nullopt) {
    ScriptModeOptions options;
    options.scriptPath = path;
    options.root = (m_folder / "root").string();
    options.tracePath = std::move(tracePath);
    std::ostringstream out;
    std::ostringstream err;
    int status = RunScriptMode(options, TestApplication(), out, err);
    m_out = out.str();
    m_err = err.str();
    return status;
  }
  int Run(const std::string& script) {
    std::string path = (m_folder / "s.qvs").string();
    std::ofstream(path, std::ios::binary) << script;
    return RunFile(path);
  }

  test_support::TempFolder m_temp{"script-mode"};
  const fs::path& m_folder = m_temp.path();
  std::string m_out;
  std::string m_err;
};

TEST_F(ScriptModeTest, ScriptsItCannotTakeAreNamed) {
  struct Case {
    std::string path;
    std::string says;
  };
  std::string big = (m_folder / "big.qvs").string();
  std::ofstream(big) << std::string((std::size_t{16} << 20) + 1, '#');
  const Case cases[] = {
      {m_folder.string(), m_folder.string() + ": a folder, not a script\n"},
      {"/dev/zero", "/dev/zero: the script is no regular file\n"},
      {big, big + ": the script is larger than 16 MiB\n"},
      {(m_folder / "none.qvs").string(),
       (m_folder / "none.qvs").string() + ": the script cannot be read: No such file or directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(kExitScriptError, RunFile(c.path));
    EXPECT_EQ(c.says, m_err);
  }
}

TEST_F(ScriptModeTest, RawBytesInMessagesAreEscaped) {
  std::string path = (m_folder / "s.qvs").string();
  EXPECT_EQ(kExitScriptError, Run("fly\x1b[2J\r\n"));
  EXPECT_EQ(path + ":1: unknown command 'fly\\x1b[2J'\n", m_err);
  EXPECT_EQ(kExitScriptError, Run("wait \x01\x7f\n"));
  EXPECT_EQ(path + ":1: wait: MS must be a number from 0 to 2147483647, not '\\x01\\x7f'\n", m_err);
  EXPECT_EQ(kExitScriptError, Run("screenshot \"a\x1b\x07.png\"\n"));
  EXPECT_EQ(path + ":1: screenshot a\\x1b\\x07.png: this build draws no screens\n", m_err);
}

TEST_F(ScriptModeTest, TheTraceGoesWhereTraceSays) {
  std::string script = (m_folder / "s.qvs").string();
  std::ofstream(script) << "start\nwait 250\n";
  std::string file = (m_folder / "trace.jsonl").string();
  struct Case {
    std::optional<std::string> trace;
    bool onStandardOutput;
    bool inFile;
  };
  const Case cases[] = {{std::nullopt, false, false}, {"-", true, false}, {file, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.trace.value_or("(none)"));
    fs::remove(file);
    ASSERT_EQ(kExitOk, RunFile(script, c.trace)) << m_err;
    std::ifstream written(file, std::ios::binary);
    std::string inFile((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
    const std::string& trace = c.onStandardOutput ? m_out : inFile;
    EXPECT_EQ(c.onStandardOutput, !m_out.empty());
    EXPECT_EQ(c.inFile, fs::exists(file));
    if (c.onStandardOutput || c.inFile) {
      EXPECT_TRUE(trace.starts_with("{\"t\":0,\"ev\":")) << trace;
      EXPECT_TRUE(trace.ends_with("\"ev\":\"exit\",\"code\":0}\n")) << trace;
    }
  }
}

}  // namespace
}  // namespace host::scenario
