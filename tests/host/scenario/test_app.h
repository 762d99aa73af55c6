// A small application for the runner's tests: one window with a switch (id 2) and its label, a
// slider (id 3), a toolbar (id 1: "Menu", "Quit") and a timer (id 7, 500 ms, three ticks).
//
//   switch tapped       -> the label says "on" or "off"
//   toolbar 0           -> a pop-up menu: 1 "Hide" hides the window, 2 "Quit" quits with 0
//   toolbar 1           -> quits with 3
//   timer 7             -> the label says "tick N"; the third tick kills the timer
//   timer 8             -> launches "\Windows\MzMusic.exe"
//   timer 6             -> arms timer 5 (100 ms), which quits with 5
//   pointer move        -> inside the slider, the label shows the pad position
//   exit processing     -> the debug output says "bye"
#pragma once

#include <memory>

#include "host/scenario/runner.h"

namespace host::scenario {

inline constexpr char16_t kTestExe[] = u"\\Apps\\Test\\Test.exe";

// The test application for start, as the quorvane executable's is.
launch::Executable TestApplication();

}  // namespace host::scenario
