// A bounded soak of the settings file under the quorvane-ini tool: random sets and deletes,
// writers killed with SIGKILL at random moments, and writers at work at once. After every
// step the file holds, byte for byte, a state that completed writes could have left, and a
// completed write leaves no temporary file behind. The same engine, in this process, on a copy
// of the file, says what each completed write must give.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/crt/utf.h"
#include "settings/ini.h"
#include "tests/settings/settings_test_support.h"

namespace {

using settings_test::File;
using settings_test::kExample;
using settings_test::SettingsTest;
using settings_test::Show;

constexpr auto kSoakTime = std::chrono::seconds(8);
constexpr int kMaxSteps = 2000;

// One change, as quorvane-ini takes it and as the engine does.
struct Change {
  std::string section;
  std::string key;    // empty: delete the section
  std::string value;  // with deleting, ignored
  bool remove = false;

  std::vector<std::string> Args(const std::string& file) const {
    if (remove && key.empty()) return {"delete", file, section};
    if (remove) return {"delete", file, section, key};
    return {"set", file, section, key, value};
  }
  // Applies the change to the handset file at path, in this process.
  void Apply(const char16_t* path) const {
    std::u16string s = *host::FromUtf8(section);
    std::u16string k = *host::FromUtf8(key);
    std::u16string v = *host::FromUtf8(value);
    IniWriteString(s.c_str(), key.empty() ? nullptr : k.c_str(), remove ? nullptr : v.c_str(),
                   path);
  }
};

class IniSoak : public SettingsTest {
 protected:
  pid_t Spawn(const Change& change) {
    std::vector<std::string> args = change.Args(Host().string());
    pid_t child = fork();
    if (child == 0) {
      std::vector<char*> argv;
      std::string tool = QUORVANE_INI;
      argv.push_back(tool.data());
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      int null = open("/dev/null", O_WRONLY);
      dup2(null, STDERR_FILENO);
      execv(tool.c_str(), argv.data());
      _exit(127);
    }
    return child;
  }
  // Waits for the child; its exit status, or -1 when a signal ended it.
  static int Reap(pid_t child) {
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }
  // What the change gives from the file content before.
  std::string After(const std::string& before, const std::vector<Change>& changes) {
    PutBytes(before, "oracle.ini");
    for (const Change& change : changes) change.Apply(u"\\oracle.ini");
    std::string after = Bytes("oracle.ini");
    std::filesystem::remove(Host("oracle.ini"));
    return after;
  }

  Change RandomChange() {
    static const char* kSections[] = {"Main", "Extra", "Powered By Zelbin"};
    static const char* kKeys[] = {"one", "two", "three", "minacc_x", "autorun"};
    Change change;
    change.section = kSections[m_random() % 3];
    change.key = kKeys[m_random() % 5];
    change.value = std::to_string(m_random() % 1000);
    unsigned kind = m_random() % 10;
    change.remove = kind >= 7;
    if (kind == 9) change.key.clear();
    return change;
  }

  std::mt19937 m_random{20261207};
};

TEST_F(IniSoak, KilledAndConcurrentWritersLeaveOnlyCompletedStates) {
  Put(kExample);
  std::string state = Bytes();
  auto deadline = std::chrono::steady_clock::now() + kSoakTime;
  int killed = 0;
  int bursts = 0;
  for (int step = 0; step < kMaxSteps && std::chrono::steady_clock::now() < deadline; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    if (m_random() % 5 == 0) {
      // Three writers at once, each on a key of its own: all succeed, and the file is what
      // they give in one of the six orders.
      ++bursts;
      std::vector<Change> changes;
      for (int w = 0; w < 3; ++w) {
        changes.push_back({"Main", "w" + std::to_string(w), std::to_string(m_random() % 100)});
      }
      std::vector<pid_t> writers;
      for (const Change& change : changes) writers.push_back(Spawn(change));
      for (pid_t writer : writers) EXPECT_EQ(Reap(writer), 0);
      std::vector<int> order = {0, 1, 2};
      bool matched = false;
      std::string now = Bytes();
      do {
        std::vector<Change> ordered;
        for (int i : order) ordered.push_back(changes[i]);
        matched = matched || now == After(state, ordered);
      } while (!matched && std::next_permutation(order.begin(), order.end()));
      ASSERT_TRUE(matched) << Show(now);
      if (now != state) {
        EXPECT_EQ(Listing(), "config.ini");
      }
      state = now;
      continue;
    }
    Change change = RandomChange();
    std::string after = After(state, {change});
    pid_t writer = Spawn(change);
    bool kill = m_random() % 2 == 0;
    if (kill) {
      usleep(static_cast<useconds_t>(m_random() % 12000));
      ::kill(writer, SIGKILL);
    }
    int status = Reap(writer);
    std::string now = Bytes();
    if (status == -1) {
      ++killed;
      ASSERT_TRUE(now == state || now == after) << Show(now);
    } else {
      // The tool's result tells the truth: 0 with the change made, 1 only when the engine
      // refuses it (never here).
      ASSERT_EQ(status, 0);
      ASSERT_EQ(Show(now), Show(after));
      // A write that replaced the file has removed what a killed one left; one that had
      // nothing to change (the value already there, nothing to delete) wrote nothing.
      if (now != state) {
        EXPECT_EQ(Listing(), "config.ini");
      }
    }
    state = now;
  }
  EXPECT_GT(killed, 0);
  EXPECT_GT(bursts, 0);
}

}  // namespace
