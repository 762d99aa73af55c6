// The "snapshot" trace event: the application's window with its controls and timers, the open
// menu, the accelerometer, the process list and every top-level window, at one moment.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include "host/drivers/accelerometer.h"
#include "host/kernel/handset.h"

class CMzWnd;

namespace host::scenario {

// {"window": null or {"class","title","visible","rect":[x,y,w,h],"controls":[...]},
//  "timers": [[id, ms], ...] (the window's, by id), "menu": null or {"rect","items"},
//  "device": {"open"}, "processes": [names], "windows": [{"title","visible"}]}.
// Controls are as host/render/control_view.h writes them, with a toolbar's "buttons" as the
// list of their texts. window may be null.
nlohmann::ordered_json Snapshot(Handset& handset, CMzWnd* window,
                                const AccelerometerDriver& accelerometer);

}  // namespace host::scenario
