// Preparing the settings file: which paths are accepted, what becomes of the file.
#include <string>

#include <gtest/gtest.h>

#include "host/files/faulty_file_system.h"
#include "settings/ini.h"
#include "tests/settings/settings_test_support.h"

namespace {

using namespace settings_test;

const std::string kMark = "\xFF\xFE";
const std::string kNone = "<none>";

TEST_F(SettingsTest, PrepareLeavesAMarkedFileAndReplacesAnythingElse) {
  struct Case {
    const char* what;
    std::string before;  // kNone: no file
    std::string after;
  };
  const Case cases[] = {
      {"no file", kNone, kMark},
      {"mark alone", kMark, kMark},
      {"mark and text", File(u"[S]\r\n  k=1"), File(u"[S]\r\n  k=1")},
      {"mark and odd junk", kMark + "\x01", kMark + "\x01"},
      {"empty file", "", kMark},
      {"one byte", "\xFF", kMark},
      {"UTF-8 text", "[S]\n k=1\n", kMark},
      {"big-endian mark", "\xFE\xFF", kMark},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(Host());
    if (c.before != kNone) PutBytes(c.before);
    EXPECT_EQ(IniPrepareFile(kPath), 1);
    EXPECT_EQ(Show(Bytes()), Show(c.after));
  }
}

TEST_F(SettingsTest, PrepareClearsTheReadOnlyBit) {
  for (const std::string& before : {File(u"[S]\r\n  k=1"), std::string("ANSI")}) {
    SCOPED_TRACE(before);
    PutBytes(before);
    MakeReadOnly();
    EXPECT_EQ(IniPrepareFile(kPath), 1);
    EXPECT_EQ(GetFileAttributesW(kPath) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Show(Bytes()), Show(before == "ANSI" ? kMark : before));
  }
}

TEST_F(SettingsTest, PrepareChecksThePath) {
  std::filesystem::create_directory(Host("sub"));
  std::filesystem::create_directory(Host("a.ini"));
  std::u16string longDirectory = u"\\" + std::u16string(259, u'd');  // 260 code units
  struct Case {
    const char16_t* path;
    int result;
    const char* created;  // host path relative to the root, or null
  };
  const Case cases[] = {
      {u"\\config.ini", 1, "config.ini"},
      {u"\\upper.INI", 1, "upper.INI"},
      {u"\\mixed.Ini", 1, "mixed.Ini"},
      {u"\\sub\\config.ini", 1, "sub/config.ini"},
      {u"\\a.ini", 0, nullptr},  // a folder: cannot be a file
      {u"\\config.txt", 0, nullptr},
      {u"\\config.inix", 0, nullptr},
      {u"\\config", 0, nullptr},
      {u"\\a.ini\\config", 0, nullptr},
      {u".ini", 0, nullptr},  // 4 code units
      {u"config.ini", 0, nullptr},
      {u"\\missing\\config.ini", 0, nullptr},
      {longDirectory.c_str(), 0, nullptr},
      {nullptr, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path == nullptr ? "null" : ::testing::PrintToString(std::u16string(c.path)));
    EXPECT_EQ(IniPrepareFile(c.path), c.result);
    if (c.created != nullptr) {
      EXPECT_EQ(Bytes(c.created), kMark);
    }
  }
  EXPECT_EQ(Listing(), "a.ini config.ini mixed.Ini sub upper.INI");
  EXPECT_FALSE(std::filesystem::exists(Host("missing")));
}

TEST_F(SettingsTest, PrepareKeepsAFileItCannotRead) {
  std::string good = File(u"[S]\r\n  k=1");
  PutBytes(good);
  host::FaultyFileSystem faulty(handset().files());
  handset().set_files(&faulty);
  faulty.Fail(host::FileOp::kRead, 1);
  EXPECT_EQ(IniPrepareFile(kPath), 0);
  EXPECT_EQ(Show(Bytes()), Show(good));

  faulty.Heal();
  faulty.Fail(host::FileOp::kOpen, 1);
  EXPECT_EQ(IniPrepareFile(kPath), 0);
  EXPECT_EQ(Show(Bytes()), Show(good));
}

TEST_F(SettingsTest, PrepareReportsAFailedCreate) {
  host::FaultyFileSystem faulty(handset().files());
  handset().set_files(&faulty);
  faulty.Fail(host::FileOp::kOpenCreate, 1);
  EXPECT_EQ(IniPrepareFile(kPath), 0);
  faulty.Heal();
  faulty.Fail(host::FileOp::kWrite, 1);
  EXPECT_EQ(IniPrepareFile(kPath), 0);
  faulty.Heal();
  // The next preparation mends what the failed one left.
  EXPECT_EQ(IniPrepareFile(kPath), 1);
  EXPECT_EQ(Bytes(), kMark);
}

}  // namespace
