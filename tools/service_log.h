// What quorvane's service tells in its log beyond the status line (host/service/status_log.h),
// and the language a person reads the texts in, as the options ask.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/screen/language.h"
#include "tools/mode.h"

namespace tools {

// The language of --lang; without it, with fromLocale the locale's (LC_ALL, LC_MESSAGES, LANG),
// else Chinese.
host::screen::Language DisplayLanguage(const Mode& mode, bool fromLocale);

// The handset's rule: the application starts the player only when "start the player
// automatically" (autorun) is on, so a service (where nobody taps the start button) with a
// player command and autorun off never runs the command. The line that says so then; nullopt
// otherwise.
std::optional<std::string> UnusedCommandNote(const PlayerChoice& player, bool autorun);

// Whether autorun is on in the settings of the application installed at executablePath on a
// handset whose "\" is root, as the application loads it (AccLoadSwitch: on only for a stored
// 1); changes nothing.
// REQUIRES: no handset is current.
bool AutorunOn(const std::string& root, std::u16string_view executablePath);

}  // namespace tools
