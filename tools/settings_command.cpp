#include "tools/settings_command.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "host/crt/utf.h"
#include "host/files/root_folder.h"
#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "host/launch/executable.h"
#include "host/service/root_handover.h"
#include "platform/windows.h"
#include "settings/acc_config.h"
#include "settings/ini.h"
#include "tools/ini_diagnosis.h"
#include "tools/quorvane_program.h"
#include "tools/setting_names.h"

namespace tools {
namespace {

constexpr int kFailed = 1;

int Failed(std::ostream& err, const std::string& reason) {
  err << "quorvane: " << reason << '\n';
  return kFailed;
}

// Each setting as the application loads it; the thresholds that the window does not show are
// told when they differ from the one it shows.
void Print(const std::u16string& path, std::ostream& out) {
  for (const SettingName& setting : SettingNames()) {
    out << setting.name << ' ';
    if (setting.threshold) {
      int shown = AccLoadThreshold(setting.keys[0], path.c_str());
      out << shown;
      std::string others;
      for (std::size_t i = 1; i < setting.keys.size(); ++i) {
        int value = AccLoadThreshold(setting.keys[i], path.c_str());
        if (value == shown) continue;
        others += (others.empty() ? "" : ", ") + host::ToUtf8(setting.keys[i]) + " " +
                  std::to_string(value);
      }
      if (!others.empty()) out << " (" << others << ")";
    } else {
      out << (AccLoadSwitch(setting.keys[0], setting.onByDefault, path.c_str()) ? "on" : "off");
    }
    out << '\n';
  }
}

// Writes value into the setting's keys, with the root locked.
int Write(const std::string& root, const SettingName& setting, int value, std::ostream& err) {
  host::Result<std::unique_ptr<host::RootFolder>> folder = host::RootFolder::Make(root);
  if (!folder) return Failed(err, folder.error().message());
  host::RealClock clock;
  host::Handset handset(clock, root);
  std::u16string path = host::launch::SettingsPathOf(kQuorvaneExe);
  std::string file = handset.HostPath(path);
  // The application's folder, as its first start makes it.
  std::error_code made;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), made);
  std::string section = host::ToUtf8(kAccSection);
  if (IniPrepareFile(path.c_str()) != 1) {
    return Failed(err, FailureReason(IniOperation::kPrepare, file, section, "", GetLastError()));
  }
  for (const char16_t* key : setting.keys) {
    if (IniWriteInt(kAccSection, key, value, path.c_str()) != 1) {
      return Failed(err, FailureReason(IniOperation::kWrite, file, section, host::ToUtf8(key),
                                       GetLastError()));
    }
  }
  return 0;
}

int Set(const Mode& mode, std::ostream& err) {
  const std::string& root = *mode.root;
  host::Result<const SettingName*> setting = FindSetting(mode.setting);
  if (!setting) return Failed(err, setting.error().message());
  host::Result<int> value = SettingValue(**setting, mode.settingValue);
  if (!value) return Failed(err, value.error().message());
  std::unique_ptr<host::service::ServicePause> pause;
  if (std::optional<long> holder = host::RootLock::Holder(root)) {
    auto stopped = host::service::ServicePause::Stop(root, *holder, {});
    if (!stopped) return Failed(err, "cannot change the settings: " + stopped.error().message());
    pause = std::move(*stopped);
  }
  int status = Write(root, **setting, *value, err);
  if (pause) {
    if (host::Status resumed = pause->Resume(); !resumed) {
      status = Failed(err, "the service could not be started again: " +
                               resumed.error().message());
    }
  }
  return status;
}

}  // namespace

int RunSettings(const Mode& mode, std::ostream& out, std::ostream& err) {
  if (!mode.setting.empty()) return Set(mode, err);
  host::RealClock clock;
  host::Handset handset(clock, *mode.root);
  Print(host::launch::SettingsPathOf(kQuorvaneExe), out);
  return 0;
}

}  // namespace tools
