// A program of the handset that runs a function as its start: the application, whose start
// holds its message loop and so lasts the handset's whole life; the window and the service run
// everything else inside it, players coming and going included.
#pragma once

#include <functional>
#include <utility>

#include "host/kernel/handset.h"

namespace test_support {

class RunsInStart final : public host::Program {
 public:
  explicit RunsInStart(std::function<void()> run) : m_run(std::move(run)) {}
  void Start(host::Handset&, DWORD) override { m_run(); }

 private:
  std::function<void()> m_run;
};

}  // namespace test_support
