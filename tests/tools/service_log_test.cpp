// What the service tells beyond the status line: a player command that autorun off leaves
// unused, read from the settings as the application reads them; and the display language.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>

#include "tests/support/run_program.h"
#include "tests/support/temp_folder.h"
#include "tools/service_log.h"

namespace tools {
namespace {

TEST(ServiceLog, APlayerCommandIsToldUnusedOnlyForARealPlayerWithAutorunOff) {
  PlayerChoice builtin;
  PlayerChoice mpris = *ParsePlayer("mpris", std::nullopt);
  PlayerChoice command = *ParsePlayer("mpris:mpv", std::string("mpv --pause ~/Music"));
  struct Case {
    const PlayerChoice& player;
    bool autorun;
    bool told;
  };
  const Case cases[] = {
      {command, false, true}, {command, true, false}, {mpris, false, false},
      {builtin, false, false},
  };
  for (const Case& c : cases) {
    std::optional<std::string> note = UnusedCommandNote(c.player, c.autorun);
    EXPECT_EQ(c.told, note.has_value()) << c.player.filter.name() << " " << c.autorun;
  }
  EXPECT_EQ("--player-command is not used: the player is started only when \"start the player "
            "automatically\" is on (quorvane settings set autorun on)",
            UnusedCommandNote(command, false).value_or(""));
}

TEST(ServiceLog, AutorunIsOnOnlyForAStoredOneAsTheApplicationLoadsIt) {
  test_support::TempFolder root("quorvane-autorun-");
  const std::u16string executable = u"\\Program Files\\Quorvane\\Quorvane.exe";
  std::filesystem::path folder = root.path() / "Program Files" / "Quorvane";
  std::string settings = (folder / "config.ini").string();
  EXPECT_FALSE(AutorunOn(root.path().string(), executable));  // no settings yet: the default
  std::filesystem::create_directories(folder);
  ASSERT_EQ(0, test_support::RunProgram(QUORVANE_INI, {"prepare", settings}, root.path()).status);
  for (const char* stored : {"1", "0", "2", " 1", "on"}) {
    ASSERT_EQ(0, test_support::RunProgram(
                     QUORVANE_INI, {"set", settings, "Powered By Zelbin", "autorun", stored},
                     root.path())
                     .status);
    // wcstol's rules: leading blanks are skipped.
    bool on = std::string(stored) == "1" || std::string(stored) == " 1";
    EXPECT_EQ(on, AutorunOn(root.path().string(), executable)) << stored;
  }
}

TEST(ServiceLog, TheLanguageIsTheOptionsElseTheLocalesWhenAskedElseChinese) {
  using host::screen::Language;
  struct Case {
    std::optional<std::string> lang;
    const char* locale;  // LANG
    bool fromLocale;
    Language language;
  };
  const Case cases[] = {
      {"en", "zh_CN.UTF-8", true, Language::kEnglish},
      {"zh", "en_GB.UTF-8", true, Language::kChinese},
      {std::nullopt, "en_GB.UTF-8", true, Language::kEnglish},
      {std::nullopt, "en_GB.UTF-8", false, Language::kChinese},
      {std::nullopt, "de_DE.UTF-8", true, Language::kChinese},
  };
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  for (const Case& c : cases) {
    setenv("LANG", c.locale, 1);
    Mode mode;
    mode.lang = c.lang;
    EXPECT_EQ(c.language, DisplayLanguage(mode, c.fromLocale))
        << c.lang.value_or("-") << " " << c.locale << " " << c.fromLocale;
  }
}

}  // namespace
}  // namespace tools
