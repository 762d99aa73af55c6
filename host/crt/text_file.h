// Reading a whole text file from the host (a script, a recording) with a size limit, so that
// a huge file or an endless device ends in a clear message rather than in exhausted memory.
#pragma once

#include <cstddef>
#include <string>

#include "host/crt/result.h"

namespace host {

// The file's bytes. Regular files and pipes are read; a folder or a device is refused at once,
// and so is a file, or a pipe's stream, of more than maxBytes. The error's message is a phrase
// that follows the file's name: "is a folder", "is larger than 16 MiB", "cannot be read: No
// such file or directory" (with the errno).
Result<std::string> ReadTextFile(const std::string& path, std::size_t maxBytes);

// maxBytes as a message says it: "16 MiB", "1 GiB", "100 bytes".
std::string SizeText(std::size_t bytes);

}  // namespace host
