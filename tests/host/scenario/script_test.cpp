// Splitting scripts into words, and the numbers in them.
#include "host/scenario/script.h"

#include <gtest/gtest.h>

#include <limits>

namespace host::scenario {
namespace {

// The words of a one-line script joined with '|', or "error: ..." when it does not split.
std::string Words(std::string_view text) {
  SplitResult result = SplitScript(text);
  if (result.error) return "error: " + result.error->message();
  std::string out;
  for (const ScriptLine& line : result.lines) {
    for (const std::string& word : line.words) out += (out.empty() ? "" : "|") + word;
  }
  return out;
}

TEST(SplitScript, QuotingAndSeparators) {
  struct Case {
    std::string_view text;
    std::string_view words;
  };
  const Case cases[] = {
      {"tap 107", "tap|107"},
      {"  wait\t\t100  ", "wait|100"},
      {"window \"Now playing\"", "window|Now playing"},
      // Only \" and \\ are escapes: a handset path stands as written.
      {R"(exe "\Windows\MzMusic.exe")", R"(exe|\Windows\MzMusic.exe)"},
      {R"(window "say \"hi\"")", R"(window|say "hi")"},
      {R"(window "a\\b")", R"(window|a\b)"},
      {R"(window "a\nb\")", R"(error: missing closing quote)"},
      {R"(window "a\\")", R"(window|a\)"},
      {R"(window "")", "window|"},
      {R"(player running "" "正在播放")", "player|running||正在播放"},
      // Quotes and backslashes inside an unquoted word are ordinary characters.
      {R"(window a"b\c)", R"(window|a"b\c)"},
      {R"(window "a"b)", "error: a quoted argument must be followed by a space"},
      {R"(window "unterminated)", "error: missing closing quote"},
      // '#' starts a comment only at the start of a line.
      {"window #1", "window|#1"},
      {"  # a comment", ""},
      {"#", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.words, Words(c.text)) << c.text;
}

TEST(SplitScript, LineNumbersCountEveryLine) {
  SplitResult result = SplitScript(
      "\xEF\xBB\xBF# set-up\r\n"
      "workarea 0 0 480 720\r\n"
      "\n"
      "   \t\n"
      "start\n"
      "wait 100");
  ASSERT_FALSE(result.error);
  ASSERT_EQ(3u, result.lines.size());
  EXPECT_EQ(2, result.lines[0].line);
  EXPECT_EQ("720", result.lines[0].words.back());  // the CR is gone
  EXPECT_EQ(5, result.lines[1].line);
  EXPECT_EQ(6, result.lines[2].line);
}

TEST(SplitScript, ErrorNamesItsLineAndKeepsTheLinesBefore) {
  SplitResult result = SplitScript("start\n# \"fine in a comment\nwindow \"open\nwait 1\n");
  ASSERT_TRUE(result.error);
  EXPECT_EQ(3, result.error->line());
  ASSERT_EQ(1u, result.lines.size());
  EXPECT_EQ("start", result.lines[0].words[0]);
}

TEST(ParseInteger, DecimalAndHexWithinBounds) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  struct Case {
    std::string_view text;
    std::int64_t min, max;
    std::optional<std::int64_t> value;
  };
  const Case cases[] = {
      {"0", 0, 10, 0},
      {"120", 0, 200, 120},
      {"-70", -128, 127, -70},
      {"+5", 0, 10, 5},
      {"0x7F", 0, 255, 127},
      {"0XfF", 0, 255, 255},
      {"-0x80", -128, 127, -128},
      {"0x", 0, 10, std::nullopt},
      {"-", -10, 10, std::nullopt},
      {"", 0, 10, std::nullopt},
      {"12a", 0, 100, std::nullopt},
      {"0x1g", 0, 100, std::nullopt},
      {" 1", 0, 10, std::nullopt},
      {"1.5", 0, 10, std::nullopt},
      {"11", 0, 10, std::nullopt},
      {"-1", 0, 10, std::nullopt},
      {"9223372036854775807", kMin, kMax, kMax},
      {"-9223372036854775808", kMin, kMax, kMin},
      {"9223372036854775808", kMin, kMax, std::nullopt},
      {"99999999999999999999999", kMin, kMax, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, ParseInteger(c.text, c.min, c.max)) << c.text;
}

TEST(ParseWord, TakesTheFull64BitsAndNegativesAsTwosComplement) {
  EXPECT_EQ(0x1006Bu, ParseWord("0x1006B"));
  EXPECT_EQ(0xFFFFFFFFFFFFFFFFu, ParseWord("0xFFFFFFFFFFFFFFFF"));
  EXPECT_EQ(0xFFFFFFFFFFFFFFFFu, ParseWord("-1"));
  EXPECT_EQ(0x8000000000000000u, ParseWord("-0x8000000000000000"));
  EXPECT_EQ(std::nullopt, ParseWord("0x10000000000000000"));
  EXPECT_EQ(std::nullopt, ParseWord("-0x8000000000000001"));
  EXPECT_EQ(std::nullopt, ParseWord("one"));
}

}  // namespace
}  // namespace host::scenario
