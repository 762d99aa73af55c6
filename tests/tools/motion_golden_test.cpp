// quorvane-motion eval's outputs as they were before the motion stage and wide recordings came:
// the raw stage gives exactly these commands, and a single file evaluated without the corpus
// options prints what it always printed. The files were made by the tool itself
// (tests/tools/golden/README.md).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tools/motion_eval_command.h"

namespace tools {
namespace {

std::string Golden(const std::string& name) { return std::string(QV_GOLDEN_DIR) + "/" + name; }

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(MotionEvalGolden, OutputsAsBefore) {
  struct Case {
    const char* recording;  // in the golden folder, or the repository's docs
    int threshold;
    bool json;
    bool sweep;
    const char* expected;
  };
  const std::string docs = std::string(QV_GOLDEN_DIR) + "/../../../docs/";
  const Case cases[] = {
      {"motion-walk.csv", 120, true, false, "motion-walk.json"},
      {"motion-walk.csv", 90, true, false, "motion-walk_90.json"},
      {"motion-walk.csv", 100, false, true, "motion-walk_sweep.txt"},
      {"running_02_bytes.csv", 120, true, false, "running_02_bytes.json"},
      {"running_02_bytes.csv", 90, true, false, "running_02_bytes_90.json"},
      {"stationary_05_bytes.csv", 120, true, false, "stationary_05_bytes.json"},
      {"stationary_05_bytes.csv", 90, true, false, "stationary_05_bytes_90.json"},
      {"stationary_05_bytes.csv", 120, false, false, "stationary_05_bytes.txt"},
      {"walking_03_bytes.csv", 120, true, false, "walking_03_bytes.json"},
      {"walking_03_bytes.csv", 80, true, false, "walking_03_bytes_80.json"},
  };
  for (const Case& c : cases) {
    EvalOptions options;
    std::string name = c.recording;
    options.paths = {name.rfind("motion-walk", 0) == 0 ? docs + name : Golden(name)};
    // The text of one file keeps its form whatever the mode; the commands are raw's.
    if (c.json || c.sweep) options.modes = {host::MotionMode::kRaw};
    options.threshold = c.threshold;
    options.json = c.json;
    options.sweep = c.sweep;
    std::ostringstream out, err;
    ASSERT_EQ(kEvalOk, RunEval(options, out, err)) << err.str();
    EXPECT_EQ(Contents(Golden(c.expected)), out.str()) << c.recording << " at " << c.threshold;
  }
}

}  // namespace
}  // namespace tools
