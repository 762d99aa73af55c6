// Handset path names: how the kernel reads a path before it maps it onto the host (see
// Handset::HostPath, which folds every path this way, so that no name leads outside the root).
#pragma once

#include <string_view>
#include <vector>

namespace host {

// The components of a handset path, "\" and "/" separating, with empty ones and "." left out
// and each ".." taking the one before it away: the root's parent is the root itself.
// "\a\..\..\b\.\c" -> {"b", "c"}. The views point into path.
std::vector<std::u16string_view> FoldHandsetPath(std::u16string_view path);

}  // namespace host
