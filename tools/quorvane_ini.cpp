// quorvane-ini: reads and changes a Quorvane settings file from the host's command line,
// through the same engine the application uses. Exit status: 0 when the engine succeeded,
// 1 when it failed, 2 on a usage error.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>

#include <CLI/CLI.hpp>

#include "host/crt/utf.h"
#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "platform/windows.h"
#include "settings/ini.h"

namespace {

constexpr int kSucceeded = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kDescription =
    "Reads and changes a Quorvane settings file (UTF-16LE INI, as config.ini).\n"
    "Exit status: 0 when the operation succeeded, 1 when it failed (missing file, section\n"
    "or key; a file that is no settings file; refused input), 2 on a usage error.";

constexpr const char* kExamples =
    "Examples:\n"
    "  quorvane-ini prepare config.ini\n"
    "  quorvane-ini set config.ini 'Powered By Zelbin' autorun 1\n"
    "  quorvane-ini set-int config.ini 'Powered By Zelbin' minacc_x 100\n"
    "  quorvane-ini get config.ini 'Powered By Zelbin' autorun        # prints 1\n"
    "  quorvane-ini get-int config.ini 'Powered By Zelbin' minacc_x   # prints 100\n"
    "  quorvane-ini delete config.ini 'Powered By Zelbin' autorun     # one key\n"
    "  quorvane-ini delete config.ini 'Powered By Zelbin'             # the whole section\n"
    "  quorvane-ini set-int config.ini Main level -- -5               # a negative number\n";

class UsageError {
 public:
  explicit UsageError(std::string message) : m_message(std::move(message)) {}
  const std::string& message() const { return m_message; }

 private:
  std::string m_message;
};

std::u16string Wide(const std::string& text, const char* what) {
  std::optional<std::u16string> wide = host::FromUtf8(text);
  if (!wide) throw UsageError(std::string(what) + " is not valid UTF-8");
  return *wide;
}

// The handset path of a host file: the tool's handset "\" is the host's "/".
std::u16string HandsetPath(const std::string& file) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(file, error);
  if (error) throw UsageError("cannot make " + file + " absolute: " + error.message());
  std::u16string path = Wide(absolute.string(), "FILE");
  for (char16_t& c : path) {
    if (c == u'/') c = u'\\';
  }
  return path;
}

int Result(int engineResult) { return engineResult == 1 ? kSucceeded : kFailed; }

struct Arguments {
  std::string file;
  std::string section;
  std::string key;
  std::string value;
};

}  // namespace

int main(int argc, char** argv) {
  CLI::App app(kDescription, "quorvane-ini");
  app.footer(kExamples);
  app.set_version_flag("--version", std::string("quorvane-ini ") + QV_VERSION);
  app.require_subcommand(1);

  Arguments args;
  auto* prepare = app.add_subcommand(
      "prepare", "Make sure FILE exists and starts with the byte-order mark (creates it).");
  prepare->add_option("FILE", args.file, "Settings file, a path ending in .ini")->required();

  auto* get = app.add_subcommand("get", "Print the value of KEY in SECTION.");
  auto* getInt = app.add_subcommand("get-int", "Print the value of KEY in SECTION as an integer.");
  for (CLI::App* command : {get, getInt}) {
    command->add_option("FILE", args.file, "Settings file")->required();
    command->add_option("SECTION", args.section, "Section name")->required();
    command->add_option("KEY", args.key, "Key name")->required();
  }

  auto* set = app.add_subcommand("set", "Set KEY in SECTION to VALUE (adds what is missing).");
  auto* setInt = app.add_subcommand("set-int", "Set KEY in SECTION to the decimal INTEGER.");
  for (CLI::App* command : {set, setInt}) {
    command->add_option("FILE", args.file, "Settings file")->required();
    command->add_option("SECTION", args.section, "Section name")->required();
    command->add_option("KEY", args.key, "Key name")->required();
  }
  set->add_option("VALUE", args.value, "New value (no line breaks)")->required();
  setInt->add_option("INTEGER", args.value, "Signed 32-bit decimal integer")->required();

  auto* remove = app.add_subcommand(
      "delete", "Delete KEY from SECTION, or the whole SECTION when KEY is left out.");
  remove->add_option("FILE", args.file, "Settings file")->required();
  remove->add_option("SECTION", args.section, "Section name")->required();
  auto* removeKey = remove->add_option("KEY", args.key, "Key name");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "quorvane-ini: " << e.what() << "\nRun with --help for more information.\n";
    return kUsage;
  }

  try {
    std::u16string path = HandsetPath(args.file);
    std::u16string section = Wide(args.section, "SECTION");
    std::u16string key = Wide(args.key, "KEY");
    std::u16string value = Wide(args.value, "VALUE");

    host::RealClock clock;
    host::Handset handset(clock, "/");

    if (prepare->parsed()) return Result(IniPrepareFile(path.c_str()));
    if (get->parsed()) {
      WCHAR* text = nullptr;
      if (IniReadString(section.c_str(), key.c_str(), &text, path.c_str()) != 1) return kFailed;
      std::string out = host::ToUtf8(text);
      delete[] text;
      std::cout << out << '\n';
      return kSucceeded;
    }
    if (getInt->parsed()) {
      int number = 0;
      if (IniReadInt(section.c_str(), key.c_str(), &number, path.c_str()) != 1) return kFailed;
      std::cout << number << '\n';
      return kSucceeded;
    }
    if (set->parsed()) {
      return Result(IniWriteString(section.c_str(), key.c_str(), value.c_str(), path.c_str()));
    }
    if (setInt->parsed()) {
      int number = 0;
      const char* first = args.value.data();
      const char* last = first + args.value.size();
      auto [end, error] = std::from_chars(first, last, number, 10);
      if (args.value.empty() || error != std::errc() || end != last) {
        throw UsageError("INTEGER must be a decimal number from -2147483648 to 2147483647, not '" +
                         args.value + "'");
      }
      return Result(
          IniWriteInt(section.c_str(), key.c_str(), number, path.c_str()));
    }
    // delete
    const WCHAR* keyOrSection = removeKey->count() > 0 ? key.c_str() : nullptr;
    return Result(IniWriteString(section.c_str(), keyOrSection, nullptr, path.c_str()));
  } catch (const UsageError& e) {
    std::cerr << "quorvane-ini: " << e.message() << '\n';
    return kUsage;
  }
}
