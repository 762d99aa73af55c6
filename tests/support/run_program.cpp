#include "tests/support/run_program.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace test_support {
namespace {

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::filesystem::path& folder) {
  std::filesystem::path out = folder / ".out";
  std::filesystem::path err = folder / ".err";
  // Everything the child needs is made before the fork.
  std::vector<std::string> copies = args;
  copies.insert(copies.begin(), program);
  std::vector<char*> argv;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child == 0) {
    int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (outFd < 0 || errFd < 0 || chdir(folder.c_str()) != 0) _exit(127);
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  Outcome outcome;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
    outcome.status = WEXITSTATUS(status);
  }
  outcome.out = Slurp(out);
  outcome.err = Slurp(err);
  std::error_code ignored;
  std::filesystem::remove(out, ignored);
  std::filesystem::remove(err, ignored);
  return outcome;
}

}  // namespace test_support
