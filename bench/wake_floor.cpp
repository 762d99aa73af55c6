// The floor of the power figures (docs/performance.md): a process that does nothing but wake
// 10 times a second, as an application that polls every 100 ms must. Runs until killed.
#include <chrono>
#include <thread>

int main() {
  auto next = std::chrono::steady_clock::now();
  for (;;) {
    next += std::chrono::milliseconds(100);
    std::this_thread::sleep_until(next);
  }
}
