// The settings as `quorvane settings` names them: the sensitivity, which is the three tilt
// thresholds at once (as the window's slider sets them), and the four switches by what they
// do. Each stands for keys of the settings file's section (settings/acc_config.h).
#pragma once

#include <string>
#include <vector>

#include "host/crt/result.h"

namespace tools {

struct SettingName {
  const char* name;                  // "sensitivity", "gestures", ...
  std::vector<const char16_t*> keys;  // the keys it sets; the first is the one shown
  bool threshold;                    // 80..128; else a switch, on or off
  bool onByDefault;                  // a switch's value when its key is missing
};

// In the order of the window: sensitivity, gestures, autohide, autorun, autoplay.
const std::vector<SettingName>& SettingNames();

// The setting called name, or a usage error naming the choices.
host::Result<const SettingName*> FindSetting(const std::string& name);

// The number that value stands for in setting: 80..128 for the sensitivity, 1 or 0 for on and
// off; a usage error naming the choices.
host::Result<int> SettingValue(const SettingName& setting, const std::string& value);

}  // namespace tools
