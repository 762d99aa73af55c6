// Which font file the screen draws with, on machines with different fonts.
#include "host/screen/font_lookup.h"

#include <gtest/gtest.h>

#include <set>

namespace host::screen {
namespace {

FontProbe Machine(std::set<std::string> files, std::string matched = "") {
  return {[files](const std::string& path) { return files.count(path) != 0; },
          [matched](const std::string&) { return matched; }};
}

TEST(FindCjkFont, PicksTheFirstFileThatExists) {
  const std::string microHei = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
  const std::string zenHei = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";
  const std::string fromFontconfig = "/opt/fonts/cjk.otf";
  struct Case {
    const char* name;
    std::set<std::string> files;
    std::string matched;
    std::string preferred;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"micro hei first", {microHei, zenHei}, fromFontconfig, "", microHei},
      {"next known file", {zenHei, fromFontconfig}, fromFontconfig, "", zenHei},
      {"fontconfig's match", {fromFontconfig}, fromFontconfig, "", fromFontconfig},
      {"a match that is not there", {}, fromFontconfig, "", std::nullopt},
      {"nothing at all", {}, "", "", std::nullopt},
      {"the preferred file", {microHei, "/my.ttf"}, "", "/my.ttf", "/my.ttf"},
      {"a missing preferred file is not replaced", {microHei}, "", "/my.ttf", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, FindCjkFont(c.preferred, Machine(c.files, c.matched))) << c.name;
  }
}

TEST(FindCjkFont, FindsTheInstalledFont) {
  std::optional<std::string> font = FindCjkFont();
  ASSERT_TRUE(font.has_value()) << "install fonts-wqy-microhei";
}

TEST(FindCjkFont, FontconfigMatchesTheInstalledChineseFont) {
  FontProbe machine = SystemFontProbe();
  std::string file = machine.match("WenQuanYi Micro Hei:lang=zh-cn");
  EXPECT_NE(std::string::npos, file.find("wqy-microhei")) << file;
  EXPECT_TRUE(machine.exists(file)) << file;
}

}  // namespace
}  // namespace host::screen
