// The root of a run: made, locked against a second quorvane, and removed when temporary.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "host/files/root_folder.h"
#include "tests/support/temp_folder.h"

namespace host {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<RootFolder> Made(const std::optional<std::string>& given) {
  Result<std::unique_ptr<RootFolder>> root = RootFolder::Make(given);
  if (!root) {
    ADD_FAILURE() << root.error().message();
    return nullptr;
  }
  return std::move(*root);
}

std::string Refusal(const std::optional<std::string>& given) {
  Result<std::unique_ptr<RootFolder>> root = RootFolder::Make(given);
  return root ? "made" : root.error().message();
}

class RootFolderTest : public ::testing::Test {
 protected:
  test_support::TempFolder m_temp{"quorvane-root-test"};
  std::string m_dir = m_temp.string();
};

TEST_F(RootFolderTest, AGivenFolderIsMadeLockedAndKept) {
  std::string path = m_dir + "/a/b";
  EXPECT_EQ(RootLock::Holder(path), std::nullopt) << "no folder";
  {
    std::unique_ptr<RootFolder> root = Made(path);
    EXPECT_EQ(RootLock::Holder(path), getpid());
    EXPECT_EQ(RootLock::Holder(path), getpid()) << "looking takes the lock from nobody";
    ASSERT_NE(root, nullptr);
    EXPECT_FALSE(root->temporary());
    EXPECT_TRUE(fs::is_directory(path));
    std::string pid = std::to_string(getpid());
    EXPECT_EQ(Refusal(path), "already running (pid " + pid + ") on " + path);
    std::ifstream lock(path + "/" + kRootLockName);
    std::string written;
    lock >> written;
    EXPECT_EQ(written, pid);
  }
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_EQ(RootLock::Holder(path), std::nullopt) << "a lock file that nobody holds";
  EXPECT_NE(Made(path), nullptr) << "the lock goes with the first root";
}

TEST_F(RootFolderTest, ATemporaryFolderIsRemovedAtTheEnd) {
  std::string path;
  {
    std::unique_ptr<RootFolder> root = Made(std::nullopt);
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->temporary());
    path = root->path();
    std::ofstream(path + "/inside.txt") << "x";
    EXPECT_TRUE(fs::exists(path + "/inside.txt"));
  }
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(RootFolderTest, RefusesWhatCannotBeARoot) {
  std::ofstream(m_dir + "/file") << "x";
  std::string refusal = Refusal(m_dir + "/file");
  EXPECT_EQ(refusal.rfind("cannot use " + m_dir + "/file as the handset's root folder (", 0), 0u)
      << refusal;
  // A folder nobody may write in, even root: the lock file cannot be made there.
  EXPECT_EQ(Refusal("/proc/self").rfind("cannot make /proc/self/.quorvane.lock: ", 0), 0u)
      << Refusal("/proc/self");
}

// Only a regular file with one name is the lock file: whatever else has its name is refused,
// named, and left as it is (another file linked there keeps what it holds).
TEST_F(RootFolderTest, ALockFileThatIsNoneIsRefusedAndLeftAlone) {
  const std::string other = m_dir + "/other.txt";
  struct Case {
    const char* what;
    std::function<void(const std::string& lock)> make;
    std::string refusal;
  };
  const std::vector<Case> cases = {
      {"a hard link", [&](const std::string& lock) { fs::create_hard_link(other, lock); },
       "a hard link of a file with 2 names"},
      {"a symbolic link", [&](const std::string& lock) { fs::create_symlink(other, lock); },
       "a symbolic link"},
      {"a folder", [](const std::string& lock) { fs::create_directory(lock); }, "a folder"},
      {"a FIFO", [](const std::string& lock) { ASSERT_EQ(mkfifo(lock.c_str(), 0600), 0); },
       "a FIFO"},
  };
  for (const Case& c : cases) {
    std::string root = m_dir + "/root";
    fs::remove_all(root);
    fs::create_directories(root);
    std::ofstream(other) << "keep me";
    std::string lock = root + "/" + kRootLockName;
    c.make(lock);
    EXPECT_EQ(Refusal(root), lock + " is not a lock file: " + c.refusal + "; remove it") << c.what;
    std::ifstream in(other);
    std::string kept;
    std::getline(in, kept);
    EXPECT_EQ(kept, "keep me") << c.what;
  }
}

}  // namespace
}  // namespace host
