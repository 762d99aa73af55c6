// State of the layers above the kernel: one object per type, per handset or per process.
#include "host/kernel/local_storage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "platform/process_local.h"

namespace host {
namespace {

// Writes "gone N" into its log when destroyed.
template <int N>
struct Witness {
  std::vector<std::string>* log = nullptr;
  ~Witness() {
    if (log != nullptr) log->push_back("gone " + std::to_string(N));
  }
};

TEST(LocalStorage, MakesOneObjectPerTypeOnFirstUseAndDestroysTheLastMadeFirst) {
  std::vector<std::string> log;
  {
    LocalStorage storage;
    EXPECT_EQ(nullptr, storage.Find<Witness<1>>());
    Witness<1>& first = storage.Get<Witness<1>>();
    first.log = &log;
    EXPECT_EQ(&first, &storage.Get<Witness<1>>());
    EXPECT_EQ(&first, storage.Find<Witness<1>>());
    storage.Get<Witness<2>>().log = &log;
    EXPECT_EQ(&first, storage.Find<Witness<1>>());
  }
  EXPECT_EQ((std::vector<std::string>{"gone 2", "gone 1"}), log);
}

struct Counter {
  int value = 0;
};

// Ends its own process from its start, then goes on using its state.
class SelfEndingProgram final : public Program {
 public:
  void Start(Handset&, DWORD pid) override {
    Counter& counter = ProcessLocal<Counter>();
    counter.value = 1;
    Handset::Current().EndProcess(pid);
    counter.value = 2;  // still there until the start returns
  }
};

TEST(ProcessLocal, EveryProcessStartsFreshAndItsStateGoesWithIt) {
  VirtualClock clock;
  Handset handset(clock);
  ProcessLocal<Counter>().value = 5;  // code of no process
  DWORD first = handset.StartProcess(u"\\first.exe", nullptr);
  DWORD second = handset.StartProcess(u"\\second.exe", nullptr);

  handset.set_current_pid(first);
  EXPECT_EQ(0, ProcessLocal<Counter>().value);
  ProcessLocal<Counter>().value = 7;
  handset.set_current_pid(second);
  EXPECT_EQ(0, ProcessLocal<Counter>().value);
  handset.set_current_pid(first);
  EXPECT_EQ(7, ProcessLocal<Counter>().value);

  handset.EndProcess(first);
  EXPECT_EQ(nullptr, handset.FindProcessLocals(first));
  handset.set_current_pid(0);
  EXPECT_EQ(5, ProcessLocal<Counter>().value);

  DWORD ended = handset.StartProcess(u"\\ends.exe", std::make_unique<SelfEndingProgram>());
  EXPECT_EQ(nullptr, handset.FindProcessLocals(ended));
}

}  // namespace
}  // namespace host
