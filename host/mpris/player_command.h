// The command that starts a real music player (--player-command): split into words as a shell
// would, without a shell, and started detached in a session of its own, so the player outlives
// Quorvane and has no terminal.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include <sys/types.h>

namespace host::mpris {

struct CommandError {
  std::string message;
};

// The words of a command line as sh splits and expands them: quotes, backslashes, ~, $VAR and
// globs; never command substitution. Refused (with a message): `...` and $(...), the shell's
// operators unquoted (| & ; < > ( ) { } and newlines), unbalanced quotes, no words at all.
std::variant<std::vector<std::string>, CommandError> SplitCommandLine(const std::string& line);

// Starts argv[0] (looked up in PATH) with the arguments in a new session, its standard input,
// output and error on /dev/null. Returns its process id once the program runs, or why it did not
// start (not found, not executable). The child is reaped in the background when it ends.
// REQUIRES: argv is not empty.
std::variant<pid_t, CommandError> StartDetached(const std::vector<std::string>& argv);

}  // namespace host::mpris
