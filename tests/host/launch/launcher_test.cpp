// The launcher's run: a save of the settings that fails is told once, naming the file and the
// error, and a run whose exit save failed ends with status 1; a stop signal before the start
// starts nothing.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "host/files/faulty_file_system.h"
#include "host/launch/launcher.h"
#include "settings/ini.h"
#include "tests/support/temp_folder.h"

namespace host::launch {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kSaverExe[] = u"\\Apps\\Saver\\Saver.exe";
constexpr char16_t kSettings[] = u"\\Apps\\Saver\\config.ini";

// Saves as the application does, its seven keys one by one: in a turn of its message loop (the
// first tick of a timer, with the value 1) and in its exit processing (the value 2), after the
// second tick has ended the loop.
void Save(int value) {
  for (const char16_t* key : {u"minacc_x", u"minacc_y", u"minacc_z", u"autoacc", u"autohide",
                              u"autorun", u"autoplay"}) {
    IniWriteInt(u"Powered By Zelbin", key, value, kSettings);
  }
}

Executable Saver(bool* started) {
  return {kSaverExe, [started] {
            return std::make_unique<EntryProgram>([started](DWORD) {
              *started = true;
              SetTimer(nullptr, 1, 100, nullptr);
              MSG msg;
              int ticks = 0;
              while (GetMessageW(&msg, nullptr, 0, 0)) {
                if (msg.message != WM_TIMER) continue;
                if (++ticks == 1) Save(1);
                if (ticks == 2) PostQuitMessage(0);
              }
              Save(2);
              return 0;
            });
          }};
}

class LauncherTest : public ::testing::Test {
 protected:
  LauncherTest() {
    fs::create_directories(m_folder);
    std::ofstream(m_file, std::ios::binary) << "\xFF\xFE";
  }

  // Runs the saver on a handset with the arrangement made; its status.
  int Run(const std::function<void(Handset&, FaultyFileSystem&)>& arrange = nullptr) {
    VirtualClock clock;
    Handset handset(clock, m_root.string());
    FaultyFileSystem faulty(handset.files());
    handset.set_files(&faulty);
    if (arrange) arrange(handset, faulty);
    Application app;
    app.executable = Saver(&m_started);
    app.root = m_root.string();
    app.report = [this](const std::string& line) { m_lines.push_back(line); };
    Launcher launcher(handset, app);
    return launcher.Run();
  }

  // The line that tells a failed save.
  std::string Failed(const std::string& error) const {
    return "the settings could not be saved to " + m_file + " (" + error + ")";
  }

  test_support::TempFolder m_temp{"quorvane-launcher"};
  fs::path m_root = m_temp.path();
  fs::path m_folder = m_root / "Apps" / "Saver";
  std::string m_file = (m_folder / "config.ini").string();
  std::vector<std::string> m_lines;
  bool m_started = false;
};

TEST_F(LauncherTest, SavesThatFailAreToldOnceEachAndAFailedExitSaveEndsWithOne) {
  struct Case {
    const char* what;
    std::function<void(const std::string& file, FaultyFileSystem&)> arrange;
    std::vector<std::string> errors;  // one per failed save
    int status;
  };
  const std::vector<Case> cases = {
      {"every save written", nullptr, {}, 0},
      // A leftover of a writer that died: the writer removes it and goes on.
      {"a temporary file left over",
       [](const std::string& file, FaultyFileSystem&) { std::ofstream(file + ".tmp") << "old"; },
       {},
       0},
      // Refused by the handset also to root, who may write it on the host.
      {"a read-only settings file",
       [](const std::string& file, FaultyFileSystem&) { chmod(file.c_str(), 0444); },
       {"Permission denied", "Permission denied"},
       1},
      {"a folder in the settings file's place",
       [](const std::string& file, FaultyFileSystem&) {
         fs::remove(file);
         fs::create_directory(file);
       },
       {"Is a directory", "Is a directory"},
       1},
      // The first save renames seven new files into place; the exit save's renames fail.
      {"a full disk at the exit save",
       [](const std::string&, FaultyFileSystem& faulty) {
         faulty.Fail(FileOp::kRename, 8, ENOSPC, FaultRepeat::kFromThenOn);
       },
       {"No space left on device"},
       1},
      {"a full disk for a moment, then space again",
       [](const std::string&, FaultyFileSystem& faulty) { faulty.Fail(FileOp::kWrite, 1, ENOSPC); },
       {"No space left on device"},
       0},
  };
  for (const Case& c : cases) {
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    std::ofstream(m_file, std::ios::binary) << "\xFF\xFE";
    m_lines.clear();
    int status = Run([&](Handset&, FaultyFileSystem& faulty) {
      if (c.arrange) c.arrange(m_file, faulty);
    });
    std::vector<std::string> expected;
    for (const std::string& error : c.errors) expected.push_back(Failed(error));
    EXPECT_EQ(m_lines, expected) << c.what;
    EXPECT_EQ(status, c.status) << c.what;
  }
}

TEST_F(LauncherTest, AStopSignalBeforeTheStartStartsNothing) {
  auto signals = EndingSignals::Open();
  ASSERT_TRUE(signals.ok());
  ASSERT_EQ(kill(getpid(), SIGTERM), 0);
  VirtualClock clock;
  Handset handset(clock, m_root.string());
  Application app;
  app.executable = Saver(&m_started);
  app.root = m_root.string();
  app.signals = signals->get();
  Launcher launcher(handset, app);
  EXPECT_EQ(launcher.Run(), 0);
  EXPECT_FALSE(m_started);
  EXPECT_EQ((*signals)->received(), SIGTERM);
}

}  // namespace
}  // namespace host::launch
