// The root of a run: made, locked against a second quorvane, and removed when temporary.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "host/files/root_folder.h"
#include "tests/support/temp_folder.h"

namespace host {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<RootFolder> Made(const std::optional<std::string>& given) {
  auto root = RootFolder::Make(given);
  if (auto* error = std::get_if<std::string>(&root)) {
    ADD_FAILURE() << *error;
    return nullptr;
  }
  return std::get<std::unique_ptr<RootFolder>>(std::move(root));
}

std::string Refusal(const std::optional<std::string>& given) {
  auto root = RootFolder::Make(given);
  auto* error = std::get_if<std::string>(&root);
  return error != nullptr ? *error : "made";
}

class RootFolderTest : public ::testing::Test {
 protected:
  test_support::TempFolder m_temp{"quorvane-root-test"};
  std::string m_dir = m_temp.string();
};

TEST_F(RootFolderTest, AGivenFolderIsMadeLockedAndKept) {
  std::string path = m_dir + "/a/b";
  {
    std::unique_ptr<RootFolder> root = Made(path);
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
  EXPECT_EQ(Refusal("/proc/self").rfind("cannot write in /proc/self (", 0), 0u)
      << Refusal("/proc/self");
}

}  // namespace
}  // namespace host
