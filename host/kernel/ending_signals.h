// Work to finish when SIGINT, SIGTERM or a SIGPIPE sent to the process ends it: temporary
// folders to remove, a trace to write out. The first Add blocks those signals in the calling
// thread and starts a thread that waits for them; when one comes, it runs the actions (in the
// order they were added) and then ends the process by the same signal. A SIGPIPE that a write to
// a closed pipe raises stays pending in the writing thread instead: the write fails with EPIPE
// and the caller reports the failed output.
// REQUIRES: the first Add comes before other threads start (they inherit the blocked signals),
// and nothing else in the process waits for those signals (the service mode, which takes them
// with a signalfd of its own, adds nothing).
#pragma once

#include <cstdint>
#include <functional>

namespace host::ending_signals {

using Action = std::function<void()>;

// Adds action. make, when given, runs first under the same lock as the signal's actions, so no
// signal comes between what it makes and the action that undoes it; when it returns false,
// nothing is added and the result is 0. Otherwise the result is the action's key (never 0).
std::uint64_t Add(Action action, const std::function<bool()>& make = nullptr);

// Forgets the action of key (0: none). undo, when given, runs first under the same lock, so a
// signal sees either the action or what undo did.
void Remove(std::uint64_t key, const std::function<void()>& undo = nullptr);

}  // namespace host::ending_signals
