// Fuzzing the script parser: any bytes as a script. What must hold: no crash and no sanitizer
// report; a script without error gives commands whose numbers stand beside their arguments, in
// ascending lines; an error names a line and its message holds no control character once
// escaped as the messages are printed.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/crt/escaped.h"
#include "host/scenario/commands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  host::Result<std::vector<host::scenario::Command>> result = host::scenario::ParseScript(text);
  if (!result) {
    if (result.error().line() <= 0) std::abort();
    for (char c : host::Escaped(result.error().message())) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
    }
    return 0;
  }
  int line = 0;
  for (const host::scenario::Command& command : *result) {
    if (command.numbers.size() != command.args.size() || command.line <= line) std::abort();
    line = command.line;
  }
  return 0;
}
