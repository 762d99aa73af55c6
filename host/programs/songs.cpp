#include "host/programs/songs.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "host/crt/ascii_case.h"
#include "host/crt/utf.h"

namespace host::programs {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t Minutes(int m, int s) { return (m * 60 + s) * 1000; }

constexpr std::array<std::string_view, 16> kAudioExtensions = {
    "mp3", "mp2", "ogg", "oga", "opus", "flac", "wav", "m4a",
    "aac", "wma", "ape", "mpc", "aif", "aiff", "alac", "wv"};

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  bool less = LessIgnoringAsciiCase(a, b);
  bool greater = LessIgnoringAsciiCase(b, a);
  return less || (!greater && a < b);
}

// A host file name as a title: bytes that are no UTF-8 become U+FFFD.
std::u16string TitleOf(std::string_view name) {
  if (std::optional<std::u16string> wide = FromUtf8(name)) return *wide;
  std::u16string title;
  for (char c : name) {
    title.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'\uFFFD');
  }
  return title;
}

bool IsHidden(const fs::path& path) {
  std::string name = path.filename().string();
  return !name.empty() && name[0] == '.';
}

}  // namespace

std::vector<Song> BuiltInSongs() {
  return {
      {u"Harbour Lights", Minutes(3, 42)},
      {u"夜空中的风筝", Minutes(4, 5)},
      {u"Paper Boats", Minutes(3, 18)},
      {u"Slow Train to Suzhou", Minutes(4, 31)},
      {u"雨后的街道", Minutes(3, 56)},
      {u"Copper Sky", Minutes(2, 58)},
      {u"Northbound", Minutes(5, 12)},
      {u"河上的灯笼", Minutes(3, 33)},
  };
}

bool IsAudioFileName(std::string_view fileName) {
  std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  std::string extension;
  for (char c : fileName.substr(dot + 1)) extension.push_back(FoldAscii(c));
  return std::find(kAudioExtensions.begin(), kAudioExtensions.end(), extension) !=
         kAudioExtensions.end();
}

Result<std::vector<Song>> SongsInFolder(const std::string& dir) {
  std::error_code error;
  auto unreadable = [&] {
    return Error::FromErrno(dir + ": cannot read the folder", error.value());
  };
  if (!fs::is_directory(dir, error)) return Error(dir + ": no such folder");
  fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, error);
  if (error) return unreadable();

  std::vector<std::string> files;  // paths below dir
  for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (error) return unreadable();
    const fs::path& path = it->path();
    if (IsHidden(path)) {
      if (it->is_directory(error)) it.disable_recursion_pending();
      continue;
    }
    if (!it->is_regular_file(error) || !IsAudioFileName(path.filename().string())) continue;
    files.push_back(path.lexically_relative(dir).string());
  }
  if (files.empty()) return Error(dir + ": no audio files in the folder");
  std::sort(files.begin(), files.end(), LessIgnoringCase);

  std::vector<Song> songs;
  songs.reserve(files.size());
  for (const std::string& file : files) {
    songs.push_back({TitleOf(fs::path(file).stem().string()), kFileSongLengthMs});
  }
  return songs;
}

}  // namespace host::programs
