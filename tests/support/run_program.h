// Runs an executable of the build as its users do, in a folder of the test's, and collects
// its exit status and output.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

struct Outcome {
  int status = -1;  // the exit status; -1 when it did not exit normally or could not start
  std::string out;
  std::string err;
};

// Runs program with args in folder (its current folder) and waits for it to end. The output
// goes through two files in folder, which are removed afterwards. REQUIRES: folder exists.
Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::filesystem::path& folder);

}  // namespace test_support
