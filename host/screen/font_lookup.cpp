#include "host/screen/font_lookup.h"

#include <stdio.h>
#include <unistd.h>

namespace host::screen {
namespace {

// The pattern goes to the shell in single quotes, so one holding a quote finds nothing.
std::string RunFcMatch(const std::string& pattern) {
  if (pattern.find('\'') != std::string::npos) return {};
  std::string command = "fc-match -f '%{file}' '" + pattern + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string out;
  char buffer[512];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
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
  return {[](const std::string& path) { return access(path.c_str(), R_OK) == 0; }, RunFcMatch};
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
