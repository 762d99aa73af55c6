// The songs the built-in music player knows: a built-in list, or the audio files of a host
// folder. Only names and lengths: the player makes no sound.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/crt/result.h"

namespace host::programs {

struct Song {
  std::u16string title;
  std::int64_t lengthMs = 0;  // > 0
  bool operator==(const Song&) const = default;
};

// The length given to a file whose length is not known (the player reads no audio).
inline constexpr std::int64_t kFileSongLengthMs = 210'000;

// Eight songs with titles and lengths of their own.
std::vector<Song> BuiltInSongs();

// Whether a file name has one of the common audio extensions (mp3, ogg, flac, wav, m4a, ...),
// ASCII case ignored.
bool IsAudioFileName(std::string_view fileName);

// The audio files in the host folder dir and its subfolders (hidden ones skipped), sorted by
// their path below dir with ASCII case ignored. A song's title is its file name without the
// extension; its length kFileSongLengthMs. An error when dir is no readable folder or holds no
// audio file.
Result<std::vector<Song>> SongsInFolder(const std::string& dir);

}  // namespace host::programs
