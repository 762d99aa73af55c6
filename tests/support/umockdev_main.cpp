// The main of a test binary that needs umockdev's emulated sysfs and udev: it runs itself again
// under umockdev-wrapper (once), which preloads libumockdev-preload, then runs the tests.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  const char* preload = getenv("LD_PRELOAD");
  if (preload == nullptr || std::strstr(preload, "libumockdev-preload") == nullptr) {
    if (getenv("QV_UMOCKDEV_WRAPPED") != nullptr) {
      std::fprintf(stderr, "umockdev-wrapper did not preload libumockdev-preload\n");
      return 1;
    }
    setenv("QV_UMOCKDEV_WRAPPED", "1", 1);
    std::vector<char*> args = {const_cast<char*>("umockdev-wrapper")};
    args.insert(args.end(), argv, argv + argc);
    args.push_back(nullptr);
    execvp("umockdev-wrapper", args.data());
    std::perror("umockdev-wrapper");
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
