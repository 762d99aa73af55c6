// A stand-in for a quorvane on a root, for the tests of the hand-over: holds ROOT's lock, says
// "holding" on standard output, and ends on SIGTERM ("ended"), unless --stubborn.
//   lock_holder [--service] [--stubborn] ROOT
// --service only shows in its command line, as a service's does.
#include <signal.h>

#include <cstring>
#include <iostream>

#include "host/files/root_lock.h"

int main(int argc, char** argv) {
  bool stubborn = false;
  const char* root = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--stubborn") == 0) {
      stubborn = true;
    } else if (std::strcmp(argv[i], "--service") != 0) {
      root = argv[i];
    }
  }
  if (root == nullptr) return 2;
  sigset_t ending;
  sigemptyset(&ending);
  sigaddset(&ending, SIGTERM);
  sigprocmask(SIG_BLOCK, &ending, nullptr);
  auto lock = host::RootLock::Take(root);
  if (!lock) {
    std::cerr << lock.error().message() << '\n';
    return 1;
  }
  std::cout << "holding" << std::endl;
  int signal = 0;
  do {
    sigwait(&ending, &signal);
  } while (stubborn);
  std::cout << "ended" << std::endl;
  return 0;
}
