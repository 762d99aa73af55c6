// UTF-16 texts of the handset as UTF-8 for the host (paths, trace fields).
#pragma once

#include <string>
#include <string_view>

namespace host {

// A lone surrogate becomes U+FFFD.
std::string Utf8(std::u16string_view text);

}  // namespace host
