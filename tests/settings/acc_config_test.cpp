// The settings record: where its file lies, the defaults and limits of its seven values, and
// the file its first save writes.
#include <string>

#include <gtest/gtest.h>

#include "settings/acc_config.h"
#include "settings/ini.h"
#include "tests/settings/settings_test_support.h"

namespace {

using namespace settings_test;

// Quorvane runs as a process of the handset whose executable lies in the handset's "\".
class AccConfigTest : public SettingsTest {
 protected:
  AccConfigTest() { RunAs(u"\\Quorvane.exe"); }
};

std::string Values(const AccConfig& config) {
  return std::to_string(config.minacc_x) + " " + std::to_string(config.minacc_y) + " " +
         std::to_string(config.minacc_z) + " " + (config.autoacc ? "on " : "off ") +
         (config.autohide ? "on " : "off ") + (config.autorun ? "on " : "off ") +
         (config.autoplay ? "on" : "off");
}

TEST_F(AccConfigTest, FirstRunPreparesTheFileAndTakesTheDefaults) {
  {
    AccConfig config;
    EXPECT_EQ(std::u16string(config.path.C_Str()), u"\\config.ini");
    EXPECT_EQ(Values(config), "120 120 120 on off off on");
    EXPECT_EQ(Bytes(), "\xFF\xFE") << "loading must not write";
  }
  // Destroying the record saves it.
  EXPECT_EQ(Bytes().size(), 244u);
  EXPECT_EQ(Show(Bytes()), Show(File(kFirstSave)));
}

TEST_F(AccConfigTest, LoadHoldsThresholdsWithinTheirLimits) {
  struct Case {
    const char16_t* stored;
    int loaded;
  };
  const Case cases[] = {{u"79", 80},  {u"80", 80},   {u"100", 100},  {u"128", 128},
                        {u"129", 128}, {u"-5", 80},  {u"abc", 80},   {u"", 80},
                        {u" 90x", 90}, {u"99999999999", 128}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::u16string(c.stored)));
    std::u16string value = c.stored;
    Put(u"[Powered By Zelbin]\r\n  minacc_x=" + value + u"\r\n  minacc_y=" + value +
        u"\r\n  minacc_z=" + value);
    AccConfig config;
    EXPECT_EQ(config.minacc_x, c.loaded);
    EXPECT_EQ(config.minacc_y, c.loaded);
    EXPECT_EQ(config.minacc_z, c.loaded);
  }
}

TEST_F(AccConfigTest, LoadReadsTheSwitches) {
  struct Case {
    const char16_t* stored;  // null: the key is missing
    bool onByDefault;        // autoacc and autoplay
    bool offByDefault;       // autohide and autorun
  };
  const Case cases[] = {{nullptr, true, false}, {u"1", true, true},  {u"0", false, false},
                        {u"2", false, false},   {u"-1", false, false}, {u"x", false, false},
                        {u" 1", true, true},    {u"1x", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored == nullptr ? "missing"
                                     : ::testing::PrintToString(std::u16string(c.stored)));
    std::u16string text = u"[Powered By Zelbin]\r\n  minacc_x=100";
    if (c.stored != nullptr) {
      for (const char16_t* key : {u"autoacc", u"autohide", u"autorun", u"autoplay"}) {
        text += u"\r\n  " + std::u16string(key) + u"=" + c.stored;
      }
    }
    Put(text);
    AccConfig config;
    EXPECT_EQ(config.autoacc, c.onByDefault);
    EXPECT_EQ(config.autoplay, c.onByDefault);
    EXPECT_EQ(config.autohide, c.offByDefault);
    EXPECT_EQ(config.autorun, c.offByDefault);
    EXPECT_EQ(config.minacc_x, 100);
  }
}

TEST_F(AccConfigTest, SaveReplacesNumbersInPlaceAndKeepsOtherKeys) {
  Put(u"[Other]\r\n  a=1\r\n[Powered By Zelbin]\r\n  minacc_x=100\r\n  mine=7\r\n  autoacc=0");
  {
    AccConfig config;
    EXPECT_EQ(Values(config), "100 120 120 off off off on");
    config.minacc_x = 90;
    config.autorun = true;
    config.Save();
    EXPECT_EQ(Show(Bytes()),
              Show(File(u"[Other]\r\n  a=1\r\n[Powered By Zelbin]\r\n  minacc_x=90\r\n  mine=7\r\n"
                        u"  autoacc=0\r\n  minacc_y=120\r\n  minacc_z=120\r\n  autohide=0\r\n"
                        u"  autorun=1\r\n  autoplay=1")));
    config.minacc_x = config.minacc_y = config.minacc_z = 110;
  }
  EXPECT_EQ(Show(Bytes()),
            Show(File(u"[Other]\r\n  a=1\r\n[Powered By Zelbin]\r\n  minacc_x=110\r\n  mine=7\r\n"
                      u"  autoacc=0\r\n  minacc_y=110\r\n  minacc_z=110\r\n  autohide=0\r\n"
                      u"  autorun=1\r\n  autoplay=1")));
}

TEST_F(AccConfigTest, UnwritableFileGivesDefaultsAndNoFailure) {
  // A folder where the file should be: nothing can be prepared, read or saved.
  std::filesystem::create_directory(Host("config.ini"));
  AccConfig config;
  EXPECT_EQ(Values(config), "120 120 120 on off off on");
  config.Save();
}

TEST_F(SettingsTest, GetAppDirectoryIsTheExecutablesFolder) {
  struct Case {
    const char16_t* executable;  // null: no process runs
    const char16_t* directory;
  };
  const Case cases[] = {
      {u"\\Quorvane.exe", u""},
      {u"\\Program Files\\Quorvane\\Quorvane.exe", u"\\Program Files\\Quorvane"},
      {u"\\Disk\\Quorvane.exe", u"\\Disk"},
      {u"\\Disk\\", u"\\Disk"},
      {u"Quorvane.exe", u"Quorvane.exe"},
      {nullptr, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.executable == nullptr ? "none"
                                         : ::testing::PrintToString(std::u16string(c.executable)));
    handset().set_current_pid(
        c.executable == nullptr ? 0 : handset().StartProcess(c.executable, nullptr));
    EXPECT_EQ(std::u16string(GetAppDirectory().C_Str()), c.directory);
  }
}

TEST_F(SettingsTest, SettingsFileLiesBesideTheExecutable) {
  std::filesystem::create_directories(Host("Program Files/Quorvane"));
  handset().set_current_pid(
      handset().StartProcess(u"\\Program Files\\Quorvane\\Quorvane.exe", nullptr));
  {
    AccConfig config;
    EXPECT_EQ(std::u16string(config.path.C_Str()), u"\\Program Files\\Quorvane\\config.ini");
  }
  EXPECT_EQ(Show(Bytes("Program Files/Quorvane/config.ini")), Show(File(kFirstSave)));
  EXPECT_EQ(Bytes(), "<none>");
}

}  // namespace
