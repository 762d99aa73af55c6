// trace_diff EXPECTED ACTUAL: compares two traces line by line. Exit status 0 when they are the
// same; else 1, naming the first line that differs with both versions of it.
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: trace_diff EXPECTED ACTUAL\n";
    return 2;
  }
  std::ifstream expected(argv[1], std::ios::binary);
  std::ifstream actual(argv[2], std::ios::binary);
  if (!expected || !actual) {
    std::cerr << "trace_diff: cannot read " << (!expected ? argv[1] : argv[2]) << "\n";
    return 2;
  }
  for (long line = 1;; ++line) {
    std::string want;
    std::string got;
    bool hasWant = static_cast<bool>(std::getline(expected, want));
    bool hasGot = static_cast<bool>(std::getline(actual, got));
    if (!hasWant && !hasGot) return 0;
    if (hasWant && hasGot && want == got) continue;
    std::cerr << "the trace differs first at line " << line << "\n"
              << "  expected: " << (hasWant ? want : "(end of trace)") << "\n"
              << "  actual:   " << (hasGot ? got : "(end of trace)") << "\n";
    return 1;
  }
}
