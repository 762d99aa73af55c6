// How a change takes the settings file's place: never through a stale temporary file or a
// link, keeping owner, group and mode, writing a linked file's target, and setting aside a
// file that is no settings file instead of deleting it.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "host/crt/utf.h"
#include "settings/ini.h"
#include "tests/settings/settings_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace settings_test;

const std::u16string_view kChanged = u"[Main]\r\n  one=10\r\n  two=2\r\n[Extra]\r\n  three=3";

TEST_F(SettingsTest, StaleTemporaryNamesNeitherMisleadNorBlockAWrite) {
  struct Case {
    const char* what;
    void (*make)(const fs::path& temp, const fs::path& victim);
    const char* listing;  // what is left in the folder afterwards
  };
  const Case cases[] = {
      {"a file a writer left behind",
       [](const fs::path& temp, const fs::path&) { std::ofstream(temp) << "half"; },
       "config.ini victim"},
      {"a link to another file",
       [](const fs::path& temp, const fs::path& victim) { fs::create_symlink(victim, temp); },
       "config.ini victim"},
      {"a link that leads nowhere",
       [](const fs::path& temp, const fs::path&) { fs::create_symlink("nowhere", temp); },
       "config.ini config.ini.tmp victim"},
      {"a folder",
       [](const fs::path& temp, const fs::path&) { fs::create_directory(temp); },
       "config.ini config.ini.tmp victim"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(Host("config.ini.tmp"));
    Put(kExample);
    PutBytes("precious", "victim");
    c.make(Host("config.ini.tmp"), Host("victim"));
    EXPECT_EQ(IniWriteString(u"Main", u"one", u"10", kPath), 1);
    EXPECT_EQ(Show(Bytes()), Show(File(kChanged)));
    EXPECT_EQ(Bytes("victim"), "precious");
    EXPECT_EQ(Listing(), c.listing);
  }
}

TEST_F(SettingsTest, ReplaceKeepsOwnerAndGroup) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  Put(kExample);
  ASSERT_EQ(chown(Host().c_str(), 4321, 4322), 0);
  ASSERT_EQ(chmod(Host().c_str(), 0640), 0);
  EXPECT_EQ(IniWriteString(u"Main", u"one", u"10", kPath), 1);
  struct stat st {};
  ASSERT_EQ(stat(Host().c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4321u);
  EXPECT_EQ(st.st_gid, 4322u);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(SettingsTest, LinkedSettingsFileWritesItsTarget) {
  fs::create_directory(Host("real"));
  PutBytes(File(kExample), "real/target.ini");
  fs::create_symlink(Host("real/target.ini"), Host());
  EXPECT_EQ(IniWriteString(u"Main", u"one", u"10", kPath), 1);
  EXPECT_TRUE(fs::is_symlink(Host()));
  EXPECT_EQ(Show(Bytes("real/target.ini")), Show(File(kChanged)));
  EXPECT_EQ(IniWriteString(u"Main", u"one", nullptr, kPath), 1);
  EXPECT_EQ(Show(Bytes()), Show(File(u"[Main]\r\n  two=2\r\n[Extra]\r\n  three=3")));
  EXPECT_EQ(Listing(), "config.ini real");
  EXPECT_EQ(fs::directory_iterator(Host("real"))->path().filename(), "target.ini");
  EXPECT_EQ(std::distance(fs::directory_iterator(Host("real")), fs::directory_iterator()), 1);
}

TEST_F(SettingsTest, PrepareSetsAsideAFileThatIsNoSettingsFile) {
  PutBytes("[Main]\n  one=1\n");
  EXPECT_EQ(IniPrepareFile(kPath), 1);
  EXPECT_EQ(Bytes(), "\xFF\xFE");
  EXPECT_EQ(Bytes("config.ini.invalid"), "[Main]\n  one=1\n");
  ASSERT_FALSE(handset().debug_output().empty());
  EXPECT_NE(host::ToUtf8(handset().debug_output().back()).find("config.ini.invalid"),
            std::string::npos);

  // A newer one takes the older one's place; an empty file has nothing to keep.
  PutBytes("second");
  EXPECT_EQ(IniPrepareFile(kPath), 1);
  EXPECT_EQ(Bytes("config.ini.invalid"), "second");
  PutBytes("");
  EXPECT_EQ(IniPrepareFile(kPath), 1);
  EXPECT_EQ(Bytes("config.ini.invalid"), "second");
  EXPECT_EQ(Listing(), "config.ini config.ini.invalid");
}

TEST_F(SettingsTest, OnlyRegularFilesAreOpened) {
  // A FIFO would keep an open waiting for a writer for ever; it fails at once instead.
  ASSERT_EQ(mkfifo(Host().c_str(), 0644), 0);
  int number = 0;
  EXPECT_EQ(IniReadInt(u"Main", u"one", &number, kPath), 0);
  EXPECT_EQ(IniWriteString(u"Main", u"one", u"1", kPath), 0);
  EXPECT_EQ(IniPrepareFile(kPath), 0);
  EXPECT_EQ(Listing(), "config.ini");
}

}  // namespace
