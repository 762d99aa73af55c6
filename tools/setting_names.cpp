#include "tools/setting_names.h"

#include <charconv>

#include "settings/acc_config.h"

namespace tools {

const std::vector<SettingName>& SettingNames() {
  static const std::vector<SettingName> names = {
      {"sensitivity", {u"minacc_x", u"minacc_y", u"minacc_z"}, true, false},
      {"gestures", {u"autoacc"}, false, true},
      {"autohide", {u"autohide"}, false, false},
      {"autorun", {u"autorun"}, false, false},
      {"autoplay", {u"autoplay"}, false, true},
  };
  return names;
}

host::Result<const SettingName*> FindSetting(const std::string& name) {
  for (const SettingName& setting : SettingNames()) {
    if (name == setting.name) return &setting;
  }
  return host::Error("unknown setting '" + name +
                     "': give sensitivity, gestures, autohide, autorun or autoplay");
}

host::Result<int> SettingValue(const SettingName& setting, const std::string& value) {
  if (!setting.threshold) {
    if (value == "on") return 1;
    if (value == "off") return 0;
    return host::Error(std::string(setting.name) + " '" + value + "': give on or off");
  }
  int number = 0;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (value.empty() || error != std::errc() || end != value.data() + value.size() ||
      number < AccConfig::kMinThreshold || number > AccConfig::kMaxThreshold) {
    return host::Error("sensitivity '" + value + "': give a whole number from " +
                       std::to_string(AccConfig::kMinThreshold) + " to " +
                       std::to_string(AccConfig::kMaxThreshold));
  }
  return number;
}

}  // namespace tools
