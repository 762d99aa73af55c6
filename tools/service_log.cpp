#include "tools/service_log.h"

#include <stdlib.h>

#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "host/launch/executable.h"
#include "settings/acc_config.h"

namespace tools {

host::screen::Language DisplayLanguage(const Mode& mode, bool fromLocale) {
  host::screen::Language language = host::screen::Language::kChinese;
  if (mode.lang) {
    host::screen::ParseLanguage(*mode.lang, language);
  } else if (fromLocale) {
    language = host::screen::LanguageOfLocale(getenv("LC_ALL"), getenv("LC_MESSAGES"),
                                              getenv("LANG"));
  }
  return language;
}

std::optional<std::string> UnusedCommandNote(const PlayerChoice& player, bool autorun) {
  if (player.kind != PlayerKind::kMpris || !player.command || autorun) return std::nullopt;
  return "--player-command is not used: the player is started only when \"start the player "
         "automatically\" is on (quorvane settings set autorun on)";
}

bool AutorunOn(const std::string& root, std::u16string_view executablePath) {
  host::RealClock clock;
  host::Handset handset(clock, root);
  std::u16string path = host::launch::SettingsPathOf(executablePath);
  return AccLoadSwitch(u"autorun", false, path.c_str());
}

}  // namespace tools
