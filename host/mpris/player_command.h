// The command that starts a real music player (--player-command): split into words as a shell
// would, without a shell, and started detached in a session of its own, so the player outlives
// Quorvane and has no terminal.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

#include "host/crt/result.h"

namespace host::mpris {

// The words of a command line as sh splits and expands them: quotes, backslashes, ~, $VAR and
// globs. Refused, with a message that names what was wrong: the expansions that would run
// something or can fail in glibc's wordexp (${...}, $(...), $((...)), $[...] and `...`, unless
// quoted with '...'), a variable that is not set, the shell's operators unquoted
// (| & ; < > ( ) { } and newlines), unbalanced quotes, and no words at all. Nothing is
// written to standard error.
Result<std::vector<std::string>> SplitCommandLine(const std::string& line);

// Starts argv[0] (looked up in PATH) with the arguments in a new session, its standard input,
// output and error on /dev/null. Returns its process id once the program runs, or why it did not
// start (not found, not executable), with the errno. The child is reaped in the background when
// it ends. REQUIRES: argv is not empty.
Result<pid_t> StartDetached(const std::vector<std::string>& argv);

}  // namespace host::mpris
