// Reading a whole text file from the host (a script, a recording) with a size limit, so that
// a huge file or an endless device ends in a clear message rather than in exhausted memory.
#pragma once

#include <cstddef>
#include <string>
#include <variant>

namespace host {

// What went wrong, as a phrase that follows the file's name: "is a folder",
// "is larger than 16 MiB", "cannot be read: No such file or directory".
struct TextFileError {
  std::string message;
};

// The file's bytes. Regular files and pipes are read; a folder or a device is refused at once,
// and so is a file, or a pipe's stream, of more than maxBytes.
std::variant<std::string, TextFileError> ReadTextFile(const std::string& path,
                                                      std::size_t maxBytes);

// maxBytes as a message says it: "16 MiB", "1 GiB", "100 bytes".
std::string SizeText(std::size_t bytes);

}  // namespace host
