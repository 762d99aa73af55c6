#include "host/mpris/player_command.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <wordexp.h>

#include <cerrno>
#include <string_view>
#include <thread>

extern char** environ;

namespace host::mpris {
namespace {

std::string WordexpError(int code) {
  switch (code) {
    case WRDE_BADCHAR:
      return "it holds one of | & ; < > ( ) { } or a newline unquoted (no shell runs it)";
    case WRDE_BADVAL:
      return "it uses an environment variable that is not set";
    case WRDE_CMDSUB:
      return "it uses command substitution `...`, which is not allowed";
    case WRDE_SYNTAX:
      return "it has unbalanced quotes or another syntax error";
    case WRDE_NOSPACE:
      return "cannot be split into words: out of memory";
    default:
      return "cannot be split into words";
  }
}

// The first expansion, outside single quotes, that wordexp must never see: these run commands,
// write to standard error or set variables (${X:?msg}, ${X=y}), and some crash glibc's
// wordexp (${X?}, $((1%0))). Null when there is none.
const char* ForbiddenExpansion(std::string_view line) {
  enum class Quote { kNone, kSingle, kDouble };
  Quote quote = Quote::kNone;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quote == Quote::kSingle) {
      if (c == '\'') quote = Quote::kNone;
    } else if (c == '\\') {
      ++i;  // the next character is taken literally
    } else if (c == '\'' && quote == Quote::kNone) {
      quote = Quote::kSingle;
    } else if (c == '"') {
      quote = quote == Quote::kDouble ? Quote::kNone : Quote::kDouble;
    } else if (c == '$' && i + 1 < line.size()) {
      std::string_view next = line.substr(i + 1);
      if (next.substr(0, 2) == "((") return "arithmetic expansion $((...))";
      if (next[0] == '(') return "command substitution $(...)";
      if (next[0] == '{') return "parameter expansion ${...} (write $NAME instead)";
      if (next[0] == '[') return "arithmetic expansion $[...]";
    }
  }
  return nullptr;
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

Result<std::vector<std::string>> SplitCommandLine(const std::string& line) {
  if (const char* expansion = ForbiddenExpansion(line)) {
    return Error(std::string("the player command uses ") + expansion +
                 ", which is not allowed (no shell runs it)");
  }
  wordexp_t words{};
  // WRDE_UNDEF: a variable that is not set is an error, not an empty word that would start the
  // player without what the user meant to give it.
  int code = wordexp(line.c_str(), &words, WRDE_NOCMD | WRDE_UNDEF);
  if (code != 0) {
    if (code == WRDE_NOSPACE) wordfree(&words);
    return Error("the player command " + WordexpError(code));
  }
  std::vector<std::string> result(words.we_wordv, words.we_wordv + words.we_wordc);
  wordfree(&words);
  if (result.empty()) return Error("the player command is empty");
  return result;
}

Result<pid_t> StartDetached(const std::vector<std::string>& argv) {
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
  if (error != 0) return Error::FromErrno("cannot start " + argv[0], error);
  // The player outlives its use here; whoever ends it, its exit status is collected.
  std::thread([pid] {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return pid;
}

}  // namespace host::mpris
