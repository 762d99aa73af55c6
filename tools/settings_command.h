// `quorvane settings`: the settings of the root, by the names of tools/setting_names.h.
//
//   quorvane settings                       prints each setting and its value, one a line
//   quorvane settings set sensitivity 100   sets minacc_x, minacc_y and minacc_z to 100
//   quorvane settings set gestures off      sets autoacc to 0
//
// A change is written through the settings engine, each key in one step (never a half-written
// file), with the root locked. A service running on the root saves its own settings at its
// end and would write over a change made beside it, so it is stopped first and started again
// afterwards (host/service/root_handover.h): it takes the change at once. A window on the root
// is not stopped: the change is refused, to be made there.
#pragma once

#include <ostream>

#include "tools/mode.h"

namespace tools {

// Carries out a Mode of kind kSettings. Returns 0, or 1 when the change could not be made or the
// service not handed over or started again (told on err as "quorvane: ...").
// REQUIRES: no handset is current; mode.root is set.
int RunSettings(const Mode& mode, std::ostream& out, std::ostream& err);

}  // namespace tools
