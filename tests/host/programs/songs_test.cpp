// The player's song lists: the built-in one and the audio files of a folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/crt/utf.h"
#include "host/programs/songs.h"
#include "tests/support/temp_folder.h"

namespace host::programs {
namespace {

namespace fs = std::filesystem;

TEST(Songs, AudioFilesAreKnownByTheirExtension) {
  struct Case {
    const char* name;
    bool audio;
  };
  const Case cases[] = {{"a.mp3", true},     {"A.MP3", true},   {"b.flac", true},
                        {"c.Ogg", true},     {"d.wav", true},   {"e.m4a", true},
                        {"f.opus", true},    {"g.txt", false},  {"mp3", false},
                        {".mp3", false},     {"h.mp3.jpg", false}, {"i.", false},
                        {"cover.jpg", false}, {"j.tar.flac", true}};
  for (const Case& c : cases) EXPECT_EQ(c.audio, IsAudioFileName(c.name)) << c.name;
}

class SongFolder : public ::testing::Test {
 protected:

  void Add(const std::string& name) {
    fs::path path = fs::path(m_dir) / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "not really audio";
  }
  std::vector<std::string> Titles() {
    Result<std::vector<Song>> result = SongsInFolder(m_dir);
    if (!result) return {"error: " + result.error().message()};
    std::vector<std::string> titles;
    for (const Song& song : *result) {
      titles.push_back(ToUtf8(song.title));
      EXPECT_EQ(kFileSongLengthMs, song.lengthMs);
    }
    return titles;
  }

  test_support::TempFolder m_temp{"quorvane-songs"};
  std::string m_dir = m_temp.string();
};

TEST_F(SongFolder, AudioFilesBelowTheFolderSortedByPathIgnoringCase) {
  for (const char* name : {"b song.mp3", "A song.flac", "notes.txt", "cover.jpg", "c.OGG",
                           "Album/01 Intro.mp3", "album2/02 夜.wav", ".hidden.mp3",
                           ".cache/x.mp3"}) {
    Add(name);
  }
    // "a song.flac" < "album/01 intro.mp3" < "album2/02 夜.wav" < "b song.mp3" < "c.ogg"
  EXPECT_EQ((std::vector<std::string>{"A song", "01 Intro", "02 夜", "b song", "c"}), Titles());
}

TEST_F(SongFolder, FolderWithoutAudioOrNoFolderAtAllIsAnError) {
  Add("readme.txt");
  EXPECT_EQ(std::vector<std::string>{"error: " + m_dir + ": no audio files in the folder"},
            Titles());
  Result<std::vector<Song>> missing = SongsInFolder(m_dir + "/nowhere");
  ASSERT_FALSE(missing);
  EXPECT_EQ(m_dir + "/nowhere: no such folder", missing.error().message());
}

}  // namespace
}  // namespace host::programs
