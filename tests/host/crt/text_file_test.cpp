// Whole text files read with a limit: what is read, and what is refused with which message.
#include "host/crt/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/temp_folder.h"

namespace host {
namespace {

// The file's text, or "error: MESSAGE (errno N)".
std::string Read(const std::string& path, std::size_t maxBytes) {
  Result<std::string> text = ReadTextFile(path, maxBytes);
  if (text) return *text;
  return "error: " + text.error().message() + " (errno " +
         std::to_string(text.error().errnum()) + ")";
}

TEST(TextFile, ReadsWholeFilesUpToTheLimitAndRefusesWhatIsNoText) {
  test_support::TempFolder temp("quorvane-text-file");
  std::string file = temp.string() + "/script.qvs";
  std::ofstream(file) << "start\nwait 100\n";
  struct Case {
    std::string path;
    std::size_t maxBytes;
    std::string expected;
  };
  const Case cases[] = {
      {file, 15, "start\nwait 100\n"},
      {file, 14, "error: is larger than 14 bytes (errno 0)"},
      {temp.string(), 100, "error: is a folder (errno 0)"},
      {"/dev/null", 100, "error: is no regular file (errno 0)"},
      {temp.string() + "/none", 100,
       "error: cannot be read: No such file or directory (errno " + std::to_string(ENOENT) +
           ")"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, Read(c.path, c.maxBytes)) << c.path;
}

TEST(TextFile, APipeIsReadUntilItsEndOrTheLimit) {
  test_support::TempFolder temp("quorvane-text-file");
  std::string fifo = temp.string() + "/fifo";
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  for (std::size_t limit : {std::size_t{20}, std::size_t{19}}) {
    // The writer puts 20 bytes in one write, which the pipe takes whole, and closes.
    std::thread writer([&] { std::ofstream(fifo) << "0123456789abcdefghij"; });
    std::string text = Read(fifo, limit);
    writer.join();
    EXPECT_EQ(limit == 20 ? "0123456789abcdefghij" : "error: is larger than 19 bytes (errno 0)",
              text);
  }
}

TEST(TextFile, SizesAreToldInTheLargestWholeUnit) {
  EXPECT_EQ("16 MiB", SizeText(16u << 20));
  EXPECT_EQ("1 GiB", SizeText(std::size_t{1} << 30));
  EXPECT_EQ("1048577 bytes", SizeText((1u << 20) + 1));
  EXPECT_EQ("100 bytes", SizeText(100));
}

}  // namespace
}  // namespace host
