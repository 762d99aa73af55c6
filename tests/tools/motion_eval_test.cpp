// The motion lab: the application run over recordings of flicks, bumps and walking, the scoring
// against labels, the sweep's choice, the report and the picture.
#include <gtest/gtest.h>

#include <cairo.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/temp_folder.h"
#include "tests/tools/motion_recordings.h"
#include "tools/motion_eval.h"
#include "tools/motion_eval_command.h"
#include "tools/motion_plot.h"

namespace tools {
namespace {

using test_support::G;
using test_support::RecordingBuilder;

host::sensors::Recording Parsed(const std::string& csv) {
  auto parsed = host::sensors::ParseRecording(csv);
  EXPECT_TRUE(parsed.ok());
  return std::move(*parsed);
}

std::unique_ptr<Evaluator> EvaluatorOf(const std::string& csv) {
  auto made = Evaluator::Make(Parsed(csv), host::MotionMode::kRaw);
  EXPECT_TRUE(std::holds_alternative<std::unique_ptr<Evaluator>>(made));
  return std::get<std::unique_ptr<Evaluator>>(std::move(made));
}

EvalRun RunAt(Evaluator& evaluator, int threshold) {
  auto run = evaluator.Run(threshold);
  EXPECT_TRUE(std::holds_alternative<EvalRun>(run)) << std::get<std::string>(run);
  return std::get<EvalRun>(std::move(run));
}

// "3100 next, 6600 previous".
std::string Commands(const EvalRun& run) {
  std::string text;
  for (const PlayerCommand& command : run.commands) {
    if (!text.empty()) text += ", ";
    text += std::to_string(command.ms) + " " + DirectionName(command.dir);
  }
  return text;
}

// "hits 3, misses 2, false 1".
std::string Scored(const Score& score) {
  return "hits " + std::to_string(score.hits) + ", misses " + std::to_string(score.misses) +
         ", false " + std::to_string(score.falseCommands);
}

// Flicks on a handset lying still, each worked by hand against the 100 ms poll, the peak window
// of the last 100 ms and the two deaf seconds after a command (reads again on the 20th tick).
std::string HandWorkedFlicks() {
  return RecordingBuilder(12000)
      .FlickX(3050, 40, G(1.6), "next")       // read at 3100 when the threshold is 102 or less
      .FlickX(4000, 60, G(2.2), "next")       // deaf after 3100; else read at 4000
      .FlickZ(4960, 40, G(1.8), "previous")   // deaf: over before the 5100 read's window
      .FlickZ(6500, 150, G(1.3), "previous")  // read at 6500 when the threshold is 83 or less
      .FlickX(8700, 30, G(1.4))               // a desk bump: read at 8700 up to 90
      .FlickX(10840, 40, G(2.2), "next")      // deaf until 10700; read at 10900
      .Csv();
}

TEST(MotionEval, CommandsHitsMissesAndDeafTimeOfHandWorkedFlicks) {
  struct Case {
    int threshold;
    const char* commands;
    const char* score;
  };
  const Case cases[] = {
      {80, "3100 next, 6500 previous, 8700 next, 10900 next", "hits 3, misses 2, false 1"},
      {84, "3100 next, 8700 next, 10900 next", "hits 2, misses 3, false 1"},
      {91, "3100 next, 10900 next", "hits 2, misses 3, false 0"},
      {102, "3100 next, 10900 next", "hits 2, misses 3, false 0"},
      {103, "4000 next, 10900 next", "hits 2, misses 3, false 0"},
      {127, "4000 next, 10900 next", "hits 2, misses 3, false 0"},
      {128, "", "hits 0, misses 5, false 0"},
  };
  std::unique_ptr<Evaluator> evaluator = EvaluatorOf(HandWorkedFlicks());
  for (const Case& c : cases) {
    EvalRun run = RunAt(*evaluator, c.threshold);
    EXPECT_EQ(c.commands, Commands(run)) << c.threshold;
    EXPECT_EQ(c.score, Scored(ScoreRun(evaluator->labels(), run))) << c.threshold;
    // The last row is at 12000: 120 ticks, the last at 12000.
    EXPECT_EQ(120, run.ticks);
    EXPECT_EQ(12000, run.durationMs);
  }
  // At 80: ticks 21 to 120 may read, but three commands make 19 ticks deaf each and the last
  // one (tick 109) the remaining 11.
  EXPECT_EQ(100 - 3 * 19 - 11, RunAt(*evaluator, 80).reads);
}

TEST(MotionEval, EndsWithTheLastTickAtOrBeforeTheLastRow) {
  // A flick at the very end: read by the tick at 5000, the last row's time; one at 5130 is not.
  EXPECT_EQ("5000 next", Commands(RunAt(*EvaluatorOf("0,0,0,0\n4950,127,0,0\n5000,0,0,0\n"), 120)));
  EvalRun cut = RunAt(*EvaluatorOf("0,0,0,0\n5130,127,0,0\n5190,127,0,0\n"), 120);
  EXPECT_EQ("", Commands(cut));
  EXPECT_EQ(51, cut.ticks);
  EXPECT_EQ(5100, cut.durationMs);
}

TEST(MotionEval, ScoringMatchesEachLabelWithOneCommandWithinASecond) {
  struct Case {
    std::vector<Label> labels;
    std::vector<PlayerCommand> commands;
    const char* score;
  };
  const Direction next = Direction::kNext, previous = Direction::kPrevious;
  const Case cases[] = {
      {{{1000, next}}, {{1000, next}}, "hits 1, misses 0, false 0"},
      {{{1000, next}}, {{2000, next}}, "hits 1, misses 0, false 0"},
      {{{1000, next}}, {{2001, next}}, "hits 0, misses 1, false 1"},
      {{{1000, next}}, {{900, next}}, "hits 0, misses 1, false 1"},
      {{{1000, next}}, {{1100, previous}}, "hits 0, misses 1, false 1"},
      {{{1000, next}, {1200, next}}, {{1300, next}}, "hits 1, misses 1, false 0"},
      {{{1000, next}}, {{1100, next}, {1300, next}}, "hits 1, misses 0, false 1"},
      {{{1000, previous}, {1050, next}}, {{1100, next}, {1200, previous}},
       "hits 2, misses 0, false 0"},
  };
  for (const Case& c : cases) {
    EvalRun run;
    run.commands = c.commands;
    run.durationMs = 1'800'000;
    Score score = ScoreRun(c.labels, run);
    EXPECT_EQ(c.score, Scored(score));
    EXPECT_DOUBLE_EQ(2.0 * score.falseCommands, score.falsePerHour);
  }
}

TEST(MotionEval, SweepRecommendsTheHighestOfTheBestAgainstWalking) {
  // Walking reaches z = 83 every half second; three flicks of 1.5 g (96) are meant, a bump of
  // 1.9 g (122) is not.
  std::string csv = RecordingBuilder(30000)
                        .Walking(0, 30000)
                        .FlickX(5000, 80, G(1.5), "next")
                        .FlickX(12000, 80, G(1.5), "next")
                        .FlickX(20000, 80, G(1.5), "next")
                        .FlickX(26000, 30, G(1.9))
                        .Csv();
  std::unique_ptr<Evaluator> evaluator = EvaluatorOf(csv);
  auto swept = Sweep(*evaluator);
  ASSERT_TRUE(std::holds_alternative<std::vector<SweepRow>>(swept));
  const std::vector<SweepRow>& rows = std::get<std::vector<SweepRow>>(swept);
  ASSERT_EQ(49u, rows.size());
  for (const SweepRow& row : rows) {
    int threshold = row.run.threshold;
    if (threshold <= 83) {
      // Walking alone changes the song about every two seconds.
      EXPECT_GE(row.score.falseCommands, 10) << threshold;
    } else if (threshold <= 96) {
      EXPECT_EQ("hits 3, misses 0, false 1", Scored(row.score)) << threshold;
    } else if (threshold <= 122) {
      EXPECT_EQ("hits 0, misses 3, false 1", Scored(row.score)) << threshold;
    } else {
      EXPECT_EQ("hits 0, misses 3, false 0", Scored(row.score)) << threshold;
    }
  }
  EXPECT_EQ(80, rows.front().run.threshold);
  EXPECT_EQ(96, Recommended(rows, true).threshold);
}

class MotionEvalCommand : public testing::Test {
 protected:
  static EvalOptions Raw() {
    EvalOptions options;
    options.modes = {host::MotionMode::kRaw};
    return options;
  }

  // Runs eval on a file holding csv; out and err are kept.
  // Raw, unless options say otherwise: these cases were worked by hand against raw reads.
  int Eval(const std::string& csv, EvalOptions options = Raw()) {
    options.paths = {m_folder.path().string() + "/motion.csv"};
    std::ofstream(options.paths.front(), std::ios::binary) << csv;
    m_out.str("");
    m_err.str("");
    return RunEval(options, m_out, m_err);
  }

  test_support::TempFolder m_folder{"quorvane-motion-eval"};
  std::ostringstream m_out;
  std::ostringstream m_err;
};

TEST_F(MotionEvalCommand, BadRecordingsAreReportedWithFileAndLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "motion.csv: the recording holds no samples"},
      {"ms,x,y,z\n0,0,0,0\n0,1,1,1\n", "motion.csv:3: the time 0 does not come after"},
      {"0,0,0,0\n100,0,0,0,nxt\n", "motion.csv:2: the label 'nxt' is neither next nor previous"},
      {"0,2049,0,0\n", "motion.csv:1: x 2049 lies beyond 32 g (-2048..2048, 64 per g)"},
      {"0,0,0\n", "motion.csv:1: expected 4 or 5 fields"},
  };
  for (const auto& [csv, message] : cases) {
    EXPECT_EQ(kEvalFailed, Eval(csv)) << csv;
    EXPECT_NE(std::string::npos, m_err.str().find(message)) << m_err.str();
    EXPECT_EQ(0u, m_err.str().find("quorvane-motion: ")) << m_err.str();
    EXPECT_EQ("", m_out.str());
  }
}

TEST_F(MotionEvalCommand, JsonHoldsTheCommandsAndTheSummary) {
  EvalOptions options = Raw();
  options.json = true;
  options.threshold = 100;
  ASSERT_EQ(kEvalOk, Eval(HandWorkedFlicks(), options)) << m_err.str();
  nlohmann::json json = nlohmann::json::parse(m_out.str());
  EXPECT_EQ(R"([{"dir":"next","ms":3100},{"dir":"next","ms":10900}])", json["commands"].dump());
  EXPECT_EQ(120, json["ticks"]);
  EXPECT_EQ(12000, json["duration_ms"]);
  EXPECT_EQ(2, json["hits"]);
  EXPECT_EQ(3, json["misses"]);
  EXPECT_EQ(0, json["false"]);
  EXPECT_EQ(100, json["threshold"]);
  EXPECT_FALSE(json.contains("sweep"));
}

TEST_F(MotionEvalCommand, TextNamesEachCommandThenTheSummary) {
  ASSERT_EQ(kEvalOk, Eval("0,0,0,0\n2150,0,0,127,previous\n2200,0,0,0\n60000,0,0,0\n"));
  EXPECT_EQ(
      "2200 ms  previous\n"
      "commands: 1 (1.00 per minute) in 60.0 s (600 ticks, 561 reads), threshold 120\n"
      "labels: 1, hits 1, misses 0, false commands 0 (0.0 per hour)\n",
      m_out.str());
}

// The picture's pixel at (x, y) as 0xRRGGBB.
std::uint32_t Pixel(cairo_surface_t* image, double x, double y) {
  const unsigned char* data = cairo_image_surface_get_data(image);
  int stride = cairo_image_surface_get_stride(image);
  auto at = reinterpret_cast<const std::uint32_t*>(data + static_cast<int>(y) * stride);
  return at[static_cast<int>(x)] & 0xFFFFFF;
}

TEST_F(MotionEvalCommand, PlotMarksEachCommandWhereItHappened) {
  EvalOptions options = Raw();
  options.threshold = 80;
  options.plotPath = m_folder.path().string() + "/plot.png";
  ASSERT_EQ(kEvalOk, Eval(HandWorkedFlicks(), options)) << m_err.str();
  cairo_surface_t* image = cairo_image_surface_create_from_png(options.plotPath->c_str());
  ASSERT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_status(image));
  PlotFrame frame = FrameFor(Parsed(HandWorkedFlicks()));
  EXPECT_EQ(frame.width, cairo_image_surface_get_width(image));
  EXPECT_EQ(frame.height, cairo_image_surface_get_height(image));
  constexpr std::uint32_t kWhite = 0xFFFFFF;
  // Commands at 3100, 8700, 10900 (next: above the curves) and 6500 (previous: below).
  const std::pair<std::int64_t, Direction> marks[] = {{3100, Direction::kNext},
                                                      {6500, Direction::kPrevious},
                                                      {8700, Direction::kNext},
                                                      {10900, Direction::kNext}};
  for (const auto& [ms, dir] : marks) {
    double x = frame.XOf(ms);
    // The mark's lower half is solid on both sides of its centre line.
    double y = frame.MarkY(dir) + (dir == Direction::kNext ? 3 : -3);
    EXPECT_NE(kWhite, Pixel(image, x + 2, y)) << ms;
    Direction other = dir == Direction::kNext ? Direction::kPrevious : Direction::kNext;
    EXPECT_EQ(kWhite, Pixel(image, x + 2, frame.MarkY(other))) << ms;
  }
  // Labels lie one row further out, outlined (here their base lines): next at 3050, 4000 and
  // 10840; previous at 4960 and 6500.
  EXPECT_NE(kWhite, Pixel(image, frame.XOf(3050), frame.LabelY(Direction::kNext) + 7));
  EXPECT_NE(kWhite, Pixel(image, frame.XOf(4960), frame.LabelY(Direction::kPrevious) - 7));
  EXPECT_EQ(kWhite, Pixel(image, frame.XOf(4960), frame.LabelY(Direction::kNext)));
  // Where nothing happened, the mark rows stay white.
  EXPECT_EQ(kWhite, Pixel(image, frame.XOf(1000), frame.MarkY(Direction::kNext)));
  EXPECT_EQ(kWhite, Pixel(image, frame.XOf(1000), frame.MarkY(Direction::kPrevious)));
  cairo_surface_destroy(image);
}

TEST_F(MotionEvalCommand, PlotsAsSvgToo) {
  EvalOptions options = Raw();
  options.plotPath = m_folder.path().string() + "/plot.SVG";
  ASSERT_EQ(kEvalOk, Eval(HandWorkedFlicks(), options)) << m_err.str();
  std::ifstream svg(*options.plotPath);
  std::string text((std::istreambuf_iterator<char>(svg)), std::istreambuf_iterator<char>());
  EXPECT_NE(std::string::npos, text.find("<svg")) << text.substr(0, 200);
  EXPECT_NE(std::string::npos, text.find("width=\"1200\""));
}

TEST_F(MotionEvalCommand, APlotThatCannotBeWrittenNamesThePathAndTheErrorAndLeavesTheOldOne) {
  const std::string old = m_folder.path().string() + "/old.png";
  std::ofstream(old) << "the old plot";
  std::filesystem::create_directory(m_folder.path() / "folder.png");
  struct Case {
    std::string path;
    const char* error;
    bool small;  // writes fail past 10 kB, as on a full disk
  };
  const Case cases[] = {
      {m_folder.path().string() + "/no-such-folder/plot.png", "No such file or directory", false},
      {m_folder.path().string() + "/folder.png", "Is a directory", false},
      {old, "File too large", true},
  };
  for (const Case& c : cases) {
    EvalOptions options = Raw();
    options.plotPath = c.path;
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    if (c.small) {
      rlimit small = before;
      small.rlim_cur = 10'000;  // more than the recording, less than the picture
      setrlimit(RLIMIT_FSIZE, &small);
    }
    int status = Eval(HandWorkedFlicks(), options);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(kEvalFailed, status) << c.path;
    EXPECT_EQ("quorvane-motion: --plot " + c.path + ": " + c.error + "\n", m_err.str());
  }
  std::ifstream kept(old);
  std::string text((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
  EXPECT_EQ("the old plot", text);
  // No temporary file is left behind.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(m_folder.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(3, files);  // motion.csv, old.png, folder.png
}

}  // namespace
}  // namespace tools

namespace tools {
namespace {

TEST(MotionEval, TakesRecordingsAsLongAsReplayDoes) {
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
  // 21 million poll ticks: seconds in the optimised build, minutes under the sanitizers, and
  // about a length of time, not about memory.
  GTEST_SKIP() << "runs in the optimised build";
#endif
#endif
  // 25 days: past the longest wait of a script (2^31 - 1 ms), with a tilt at the end.
  const std::int64_t end = 2'150'000'000;
  auto made = Evaluator::Make(Parsed("0,0,0,0\n" + std::to_string(end - 300) + ",127,0,0\n" +
                                     std::to_string(end) + ",0,0,0\n"),
                              host::MotionMode::kRaw);
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<Evaluator>>(made));
  auto run = std::get<std::unique_ptr<Evaluator>>(made)->Run(kDefaultThreshold);
  ASSERT_TRUE(std::holds_alternative<EvalRun>(run)) << std::get<std::string>(run);
  EXPECT_EQ(end, std::get<EvalRun>(run).durationMs);
  EXPECT_EQ("2149999700 next", Commands(std::get<EvalRun>(run)));
}

}  // namespace
}  // namespace tools
