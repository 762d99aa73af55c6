// AccConfig: the seven values Quorvane remembers between runs (three tilt thresholds and four
// switches), kept in config.ini beside the executable, section "Powered By Zelbin".
#pragma once

#include "platform/mz_string.h"

// The section of the settings file that holds the seven keys.
inline constexpr WCHAR kAccSection[] = u"Powered By Zelbin";

// The directory of the running executable, without a trailing backslash: empty for an
// executable in the root directory. When the path has no backslash, the whole path.
CMzStringW GetAppDirectory();

// One value as Load reads it from the settings file at path: a threshold held to 80..128
// (120 when the key is missing or unreadable); a switch that is on for a stored 1, off for any
// other stored number, and onByDefault when the key is missing or unreadable.
int AccLoadThreshold(const WCHAR* key, const WCHAR* path);
bool AccLoadSwitch(const WCHAR* key, bool onByDefault, const WCHAR* path);

class AccConfig {
 public:
  // The lowest and highest tilt threshold, and the one of a first run.
  static constexpr int kMinThreshold = 80;
  static constexpr int kMaxThreshold = 128;
  static constexpr int kDefaultThreshold = 120;

  // Locates config.ini beside the executable, makes sure it exists and loads the values.
  AccConfig();
  // Saves the values.
  ~AccConfig();
  AccConfig(const AccConfig&) = delete;
  AccConfig& operator=(const AccConfig&) = delete;

  // Fills all seven values from the file; a missing or unreadable key gives its default
  // (thresholds 120, autoacc and autoplay on, autohide and autorun off), thresholds are held
  // to 80..128, autoacc and autoplay are off only for a stored value other than 1, autohide
  // and autorun on only for a stored 1. Never writes the file.
  void Load();
  // Writes all seven keys in the order of the fields; failures go unnoticed.
  void Save();

  CMzStringW path;  // the settings file: the executable's directory + "\config.ini"
  int minacc_x = kDefaultThreshold;
  int minacc_y = kDefaultThreshold;
  int minacc_z = kDefaultThreshold;
  bool autoacc = true;    // gesture control on
  bool autohide = false;  // hide the main window automatically
  bool autorun = false;   // start the music player when it is not running
  bool autoplay = true;   // after starting the player, start playback and hide the player
};
