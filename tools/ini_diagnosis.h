// Why a settings file operation of quorvane-ini failed, in one line for its user. The settings
// engine answers only 1 or 0; this looks at the input and at the file to say which of the
// engine's reasons applied.
#pragma once

#include <string>

#include "host/crt/result.h"

namespace tools {

enum class IniOperation { kPrepare, kRead, kWrite };

// The reason the engine refuses the names or the value of a write, before the file is looked
// at: an empty section or key, a line break, a key with "=" or starting with a blank. key and
// value may be null (deleting a section or a key). Ok when the engine takes them.
host::Status RefusedInput(const std::u16string& section, const char16_t* key,
                          const char16_t* value);

// Why the operation on the host file failed, after the engine gave 0: a missing file or folder,
// no regular file, no permission, a read-only file, no settings file, a name that is no
// settings file name, a missing key (named with section and key, as given); otherwise the
// handset's last error code.
std::string FailureReason(IniOperation operation, const std::string& file,
                          const std::string& section, const std::string& key,
                          unsigned long lastError);

}  // namespace tools
