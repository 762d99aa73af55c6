#include "settings/acc_config.h"

#include "platform/windows.h"
#include "settings/ini.h"

namespace {

constexpr WCHAR kSection[] = u"Powered By Zelbin";

int LoadThreshold(const WCHAR* key, const WCHAR* path) {
  int value = 0;
  if (!IniReadInt(kSection, key, &value, path)) return AccConfig::kDefaultThreshold;
  if (value < AccConfig::kMinThreshold) value = AccConfig::kMinThreshold;
  if (value > AccConfig::kMaxThreshold) value = AccConfig::kMaxThreshold;
  return value;
}

// A switch that is on unless a stored value says otherwise (anything but 1 is off).
bool LoadSwitchOnByDefault(const WCHAR* key, const WCHAR* path) {
  int value = 0;
  return !IniReadInt(kSection, key, &value, path) || value == 1;
}

// A switch that is on only for a stored 1.
bool LoadSwitchOffByDefault(const WCHAR* key, const WCHAR* path) {
  int value = 0;
  return IniReadInt(kSection, key, &value, path) && value == 1;
}

}  // namespace

CMzStringW GetAppDirectory() {
  CMzStringW path(MAX_PATH);
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  for (DWORD i = length; i > 0; --i) {
    if (path.C_Str()[i - 1] == u'\\') return path.SubStr(0, static_cast<int>(i - 1));
  }
  return path;
}

AccConfig::AccConfig() : path(GetAppDirectory() + u"\\config.ini") {
  // When the file cannot be prepared, the reads fail and give the defaults.
  IniPrepareFile(path);
  Load();
}

AccConfig::~AccConfig() { Save(); }

void AccConfig::Load() {
  minacc_x = LoadThreshold(u"minacc_x", path);
  minacc_y = LoadThreshold(u"minacc_y", path);
  minacc_z = LoadThreshold(u"minacc_z", path);
  autoacc = LoadSwitchOnByDefault(u"autoacc", path);
  autohide = LoadSwitchOffByDefault(u"autohide", path);
  autorun = LoadSwitchOffByDefault(u"autorun", path);
  autoplay = LoadSwitchOnByDefault(u"autoplay", path);
}

void AccConfig::Save() {
  // Each key on its own: a failed one does not stop the others.
  IniWriteInt(kSection, u"minacc_x", minacc_x, path);
  IniWriteInt(kSection, u"minacc_y", minacc_y, path);
  IniWriteInt(kSection, u"minacc_z", minacc_z, path);
  IniWriteInt(kSection, u"autoacc", autoacc ? 1 : 0, path);
  IniWriteInt(kSection, u"autohide", autohide ? 1 : 0, path);
  IniWriteInt(kSection, u"autorun", autorun ? 1 : 0, path);
  IniWriteInt(kSection, u"autoplay", autoplay ? 1 : 0, path);
}
