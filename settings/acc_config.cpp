#include "settings/acc_config.h"

#include "platform/windows.h"
#include "settings/ini.h"

int AccLoadThreshold(const WCHAR* key, const WCHAR* path) {
  int value = 0;
  if (!IniReadInt(kAccSection, key, &value, path)) return AccConfig::kDefaultThreshold;
  if (value < AccConfig::kMinThreshold) value = AccConfig::kMinThreshold;
  if (value > AccConfig::kMaxThreshold) value = AccConfig::kMaxThreshold;
  return value;
}

bool AccLoadSwitch(const WCHAR* key, bool onByDefault, const WCHAR* path) {
  int value = 0;
  if (!IniReadInt(kAccSection, key, &value, path)) return onByDefault;
  return value == 1;
}

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
  minacc_x = AccLoadThreshold(u"minacc_x", path);
  minacc_y = AccLoadThreshold(u"minacc_y", path);
  minacc_z = AccLoadThreshold(u"minacc_z", path);
  autoacc = AccLoadSwitch(u"autoacc", true, path);
  autohide = AccLoadSwitch(u"autohide", false, path);
  autorun = AccLoadSwitch(u"autorun", false, path);
  autoplay = AccLoadSwitch(u"autoplay", true, path);
}

void AccConfig::Save() {
  // Each key on its own: a failed one does not stop the others.
  IniWriteInt(kAccSection, u"minacc_x", minacc_x, path);
  IniWriteInt(kAccSection, u"minacc_y", minacc_y, path);
  IniWriteInt(kAccSection, u"minacc_z", minacc_z, path);
  IniWriteInt(kAccSection, u"autoacc", autoacc ? 1 : 0, path);
  IniWriteInt(kAccSection, u"autohide", autohide ? 1 : 0, path);
  IniWriteInt(kAccSection, u"autorun", autorun ? 1 : 0, path);
  IniWriteInt(kAccSection, u"autoplay", autoplay ? 1 : 0, path);
}
