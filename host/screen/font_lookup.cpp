#include "host/screen/font_lookup.h"

#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <memory>

namespace host::screen {
namespace {

struct PatternFree {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternFree>;

// What fc-match answers: the pattern completed by the configuration's rules and defaults, then
// the best font of the current configuration for it.
std::string FontconfigMatch(const std::string& pattern) {
  if (!FcInit()) return {};
  Pattern wanted(FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str())));
  if (wanted == nullptr) return {};
  if (!FcConfigSubstitute(nullptr, wanted.get(), FcMatchPattern)) return {};
  FcDefaultSubstitute(wanted.get());
  FcResult result = FcResultNoMatch;
  Pattern best(FcFontMatch(nullptr, wanted.get(), &result));
  FcChar8* file = nullptr;
  if (best == nullptr || FcPatternGetString(best.get(), FC_FILE, 0, &file) != FcResultMatch) {
    return {};
  }
  return reinterpret_cast<const char*>(file);
}

}  // namespace

const std::vector<std::string>& KnownCjkFontFiles() {
  static const std::vector<std::string> files = {
      "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
      "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
      "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
      "/usr/share/fonts/truetype/arphic/uming.ttc",
  };
  return files;
}

FontProbe SystemFontProbe() {
  return {[](const std::string& path) { return access(path.c_str(), R_OK) == 0; },
          FontconfigMatch};
}

std::optional<std::string> FindCjkFont(const std::string& preferred, const FontProbe& probe) {
  if (!preferred.empty()) {
    if (probe.exists(preferred)) return preferred;
    return std::nullopt;
  }
  for (const std::string& file : KnownCjkFontFiles()) {
    if (probe.exists(file)) return file;
  }
  std::string matched = probe.match("WenQuanYi Micro Hei:lang=zh-cn");
  if (!matched.empty() && probe.exists(matched)) return matched;
  return std::nullopt;
}

}  // namespace host::screen
