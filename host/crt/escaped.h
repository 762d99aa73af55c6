// Text from outside (script lines, recording lines, file names) as it may be shown in one line
// of a message or a terminal: valid UTF-8 characters stand as they are, while control
// characters (NUL, CR, LF, ESC, ...), DEL and bytes that are not UTF-8 are shown as \xNN, so
// that no input can break a message into lines or send the terminal a control sequence.
//
//   Escaped("a\r\x1b[2J") == "a\\x0d\\x1b[2J"
#pragma once

#include <string>
#include <string_view>

namespace host {

std::string Escaped(std::string_view bytes);

}  // namespace host
