// Conversions between the handset's UTF-16 text and the host's UTF-8 (paths, traces, files).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace host {

// UTF-16 to UTF-8. A surrogate without its partner becomes U+FFFD, so any text converts.
std::string ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16; nullopt when text is not valid UTF-8 (a stray or missing continuation
// byte, an overlong form, an encoded surrogate, or a value past U+10FFFF).
std::optional<std::u16string> FromUtf8(std::string_view text);

}  // namespace host
