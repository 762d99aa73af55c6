#include "tools/ini_diagnosis.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string_view>

#include <iterator>
#include <optional>

#include "host/crt/ascii_case.h"
#include "host/crt/utf.h"
#include "settings/ini_lookup.h"

namespace tools {
namespace {

bool HasLineBreak(std::u16string_view text) {
  return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

bool EndsWithIni(const std::string& file) {
  std::size_t dot = file.rfind('.');
  if (dot == std::string::npos || file.size() - dot != 4) return false;
  std::string extension = file.substr(dot + 1);
  for (char& c : extension) c = host::FoldAscii(c);
  return extension == "ini" && file.find('/', dot) == std::string::npos;
}

std::string Folder(const std::string& file) {
  std::size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : file.substr(0, slash);
}

// Whether the file starts with the byte-order mark FF FE.
bool HasMark(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  char start[2] = {0, 0};
  return in.read(start, 2) && start[0] == '\xFF' && start[1] == '\xFE';
}

// Whether the settings file has a header of section, found as the engine finds it.
bool HasSection(const std::string& file, const std::string& section) {
  std::optional<std::u16string> name = host::FromUtf8(section);
  if (!name || name->empty()) return false;
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The text after the mark, up to its first zero code unit, as the engine reads it.
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (unit == 0) break;
    text.push_back(unit);
  }
  IniSection found;
  return IniFindSection(text.c_str(), text.size(), name->c_str(), &found);
}

}  // namespace

host::Status RefusedInput(const std::u16string& section, const char16_t* key,
                          const char16_t* value) {
  auto refused = [](const char* why) { return host::Error(std::string("refused: ") + why); };
  if (section.empty()) return refused("SECTION must not be empty");
  if (HasLineBreak(section)) return refused("SECTION must not hold a line break (CR or LF)");
  if (key == nullptr) return host::Ok();
  std::u16string_view k(key);
  if (k.empty()) return refused("KEY must not be empty");
  if (HasLineBreak(k)) return refused("KEY must not hold a line break (CR or LF)");
  if (k.find(u'=') != std::u16string_view::npos) return refused("KEY must not hold '='");
  if (k[0] == u' ' || k[0] == u'\t') return refused("KEY must not start with a space or tab");
  if (value != nullptr && HasLineBreak(value)) {
    return refused("VALUE must not hold a line break (CR or LF)");
  }
  return host::Ok();
}

std::string FailureReason(IniOperation operation, const std::string& file,
                          const std::string& section, const std::string& key,
                          unsigned long lastError) {
  if (operation == IniOperation::kPrepare && !EndsWithIni(file)) {
    return file + ": a settings file's name must end in .ini";
  }
  struct stat st {};
  if (stat(file.c_str(), &st) != 0) {
    int error = errno;
    struct stat folder {};
    if (error == ENOENT && stat(Folder(file).c_str(), &folder) != 0) {
      return file + ": the folder does not exist";
    }
    if (error == ENOENT) {
      return file + ": no such file" +
             (operation == IniOperation::kPrepare ? "" : " (quorvane-ini prepare makes one)");
    }
    return file + ": " + std::strerror(error);
  }
  if (S_ISDIR(st.st_mode)) return file + ": is a folder, not a settings file";
  if (!S_ISREG(st.st_mode)) return file + ": is not a regular file";
  if (access(file.c_str(), R_OK) != 0) return file + ": cannot be read (no permission)";
  if (operation != IniOperation::kRead && (st.st_mode & 0222) == 0) {
    return file + ": is read-only";
  }
  if (operation != IniOperation::kRead && access(file.c_str(), W_OK) != 0) {
    return file + ": cannot be written (no permission)";
  }
  if (operation != IniOperation::kPrepare && !HasMark(file)) {
    return file + ": not a settings file (it does not start with the UTF-16LE mark FF FE; "
                  "see docs/settings-file.md)";
  }
  if (operation == IniOperation::kRead && !HasSection(file, section)) {
    return file + ": no section '" + section + "' (its name is matched exactly, case and spaces "
                  "too)";
  }
  if (operation == IniOperation::kRead) {
    return file + ": no key '" + key + "' in section '" + section + "'";
  }
  return file + ": the change could not be made (error " + std::to_string(lastError) + ")";
}

}  // namespace tools
