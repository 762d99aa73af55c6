#include "host/screen/language.h"

#include <utility>

namespace host::screen {
namespace {

// The application's fixed texts with their English; docs/running.md has the same table.
constexpr std::pair<std::u16string_view, std::u16string_view> kEnglish[] = {
    {u"基本状态", u"Status"},
    {u"正在获取状态", u"Getting state"},
    {u"参数设置", u"Settings"},
    {u"敏感度", u"Threshold"},  // the slider's number: higher needs a harder flick
    {u"重力换歌开启", u"Change songs by tilting"},
    {u"自动隐藏界面", u"Hide this window automatically"},
    {u"自动运行音乐", u"Start the music automatically"},
    {u"自动播放隐藏", u"Play and hide automatically"},
    {u"音乐进程已开启", u"Music process started"},
    {u"开启音乐并隐藏音乐界面", u"Start music, hide its window"},
    {u"隐藏", u"Hide"},
    {u"操作", u"Operations"},
    {u"退出", u"Exit"},
    {u"返回", u"Back"},
    {u"全部关闭", u"Close all"},
    {u"关闭音乐", u"Close music"},
    {u"暂停", u"Pause"},
    {u"音乐暂停", u"Play/Pause"},  // the menu item toggles
    {u"正在播放下一首", u"Playing the next song"},
    {u"正在播放前一首", u"Playing the previous song"},
    {u"正在切换音乐状态", u"Switching play and pause"},
    {u"错误的播放操作参数", u"Wrong playback operation"},
    {u"没有找到音乐程序进程", u"Music player not found"},
    {u"音乐进程没有开启", u"Music process not running"},
    {u"开启音乐失败！", u"Starting the music failed!"},
    {u"音乐已开启！", u"Music started!"},
    {u"重力加速器被配置为关闭", u"Gesture control is switched off"},
    {u"启动重力加速器失败", u"Starting the accelerometer failed"},
    {u"没有操作，监听中", u"Listening for flicks"},
    {u"正在播放", u"Now playing"},
    {u"播放列表", u"Playlist"},
    {u"所有歌曲", u"All songs"},
    {u"艺术家", u"Artists"},
};

}  // namespace

std::u16string_view Shown(std::u16string_view text, Language language) {
  if (language != Language::kEnglish) return text;
  for (const auto& [zh, en] : kEnglish) {
    if (zh == text) return en;
  }
  return text;
}

const char* LanguageName(Language language) {
  return language == Language::kEnglish ? "en" : "zh";
}

bool ParseLanguage(std::string_view name, Language& language) {
  if (name == "en") {
    language = Language::kEnglish;
  } else if (name == "zh") {
    language = Language::kChinese;
  } else {
    return false;
  }
  return true;
}

Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (value == nullptr || *value == '\0') continue;
    return std::string_view(value).substr(0, 2) == "en" ? Language::kEnglish
                                                        : Language::kChinese;
  }
  return Language::kChinese;
}

}  // namespace host::screen
