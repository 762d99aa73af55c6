#include "host/mpris/player_command.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <wordexp.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace host::mpris {
namespace {

std::string WordexpError(int code) {
  switch (code) {
    case WRDE_BADCHAR:
      return "it holds one of | & ; < > ( ) { } or a newline unquoted (no shell runs it)";
    case WRDE_CMDSUB:
      return "command substitution ($(...) or `...`) is not allowed";
    case WRDE_SYNTAX:
      return "unbalanced quotes or another syntax error";
    case WRDE_NOSPACE:
      return "out of memory";
    default:
      return "cannot be split into words";
  }
}

// Frees the spawn attributes and file actions however the function returns.
struct SpawnSetup {
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_t files;
  SpawnSetup() {
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_init(&files);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

std::variant<std::vector<std::string>, CommandError> SplitCommandLine(const std::string& line) {
  wordexp_t words{};
  int code = wordexp(line.c_str(), &words, WRDE_NOCMD);
  if (code != 0) {
    if (code == WRDE_NOSPACE) wordfree(&words);
    return CommandError{"the player command " + WordexpError(code)};
  }
  std::vector<std::string> result(words.we_wordv, words.we_wordv + words.we_wordc);
  wordfree(&words);
  if (result.empty()) return CommandError{"the player command is empty"};
  return result;
}

std::variant<pid_t, CommandError> StartDetached(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  SpawnSetup setup;
  posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                  POSIX_SPAWN_SETSIGDEF);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&setup.attributes, &none);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigdefault(&setup.attributes, &all);
  for (int fd : {0, 1, 2}) {
    posix_spawn_file_actions_addopen(&setup.files, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY,
                                     0);
  }
  pid_t pid = 0;
  // glibc reports a failed exec here (the child is then reaped already).
  int error = posix_spawnp(&pid, args[0], &setup.files, &setup.attributes, args.data(), environ);
  if (error != 0) {
    return CommandError{"cannot start " + argv[0] + ": " + std::strerror(error)};
  }
  // The player outlives its use here; whoever ends it, its exit status is collected.
  std::thread([pid] {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return pid;
}

}  // namespace host::mpris
