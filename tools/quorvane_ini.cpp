// quorvane-ini: reads and changes a Quorvane settings file from the host's command line,
// through the same engine the application uses. Exit status: 0 when the engine succeeded,
// 1 when it failed, 2 on a usage error; a failure or usage error is told in one line on
// standard error.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>

#include <CLI/CLI.hpp>

#include "host/crt/escaped.h"
#include "host/crt/utf.h"
#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "platform/windows.h"
#include "settings/ini.h"
#include "tools/ini_diagnosis.h"

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

struct Arguments {
  std::string file;
  std::string section;
  std::string key;
  std::string value;
};

// The subcommands and what they were given.
struct CommandLine {
  CLI::App app{kDescription, "quorvane-ini"};
  Arguments args;
  CLI::App* prepare = nullptr;
  CLI::App* get = nullptr;
  CLI::App* getInt = nullptr;
  CLI::App* set = nullptr;
  CLI::App* setInt = nullptr;
  CLI::App* remove = nullptr;
  CLI::Option* removeKey = nullptr;
};

void DefineCommands(CommandLine& line) {
  CLI::App& app = line.app;
  Arguments& args = line.args;
  app.footer(kExamples);
  app.set_version_flag("--version", std::string("quorvane-ini ") + QV_VERSION);
  app.require_subcommand(1);

  line.prepare = app.add_subcommand(
      "prepare", "Make sure FILE exists and starts with the byte-order mark (creates it).");
  line.prepare->add_option("FILE", args.file, "Settings file, a path ending in .ini")->required();

  line.get = app.add_subcommand("get", "Print the value of KEY in SECTION.");
  line.getInt =
      app.add_subcommand("get-int", "Print the value of KEY in SECTION as an integer.");
  line.set = app.add_subcommand("set", "Set KEY in SECTION to VALUE (adds what is missing).");
  line.setInt = app.add_subcommand("set-int", "Set KEY in SECTION to the decimal INTEGER.");
  for (CLI::App* command : {line.get, line.getInt, line.set, line.setInt}) {
    command->add_option("FILE", args.file, "Settings file")->required();
    command->add_option("SECTION", args.section, "Section name")->required();
    command->add_option("KEY", args.key, "Key name")->required();
  }
  line.set->add_option("VALUE", args.value, "New value (no line breaks)")->required();
  line.setInt->add_option("INTEGER", args.value, "Signed 32-bit decimal integer")->required();

  line.remove = app.add_subcommand(
      "delete", "Delete KEY from SECTION, or the whole SECTION when KEY is left out.");
  line.remove->add_option("FILE", args.file, "Settings file")->required();
  line.remove->add_option("SECTION", args.section, "Section name")->required();
  line.removeKey = line.remove->add_option("KEY", args.key, "Key name");
}

// The first word that is no option must name a subcommand; CLI11 would only say that one is
// required.
host::Status KnownSubcommand(const CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (word.empty() || word[0] == '-') continue;
    for (const CLI::App* command : app.get_subcommands({})) {
      if (command->get_name() == word) return host::Ok();
    }
    return host::Error("unknown subcommand '" + host::Escaped(word) +
                       "' (prepare, get, get-int, set, set-int, delete)");
  }
  return host::Ok();
}

// Parses the command line; an exit status when the tool is done (help, usage error).
std::optional<int> Parse(CommandLine& line, int argc, char** argv) {
  if (host::Status known = KnownSubcommand(line.app, argc, argv); !known) {
    std::cerr << "quorvane-ini: " << known.error().message()
              << "; run with --help for more information\n";
    return kUsage;
  }
  try {
    line.app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return line.app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return line.app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return line.app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "quorvane-ini: " << host::Escaped(e.what())
              << "; run with --help for more information\n";
    return kUsage;
  }
  return std::nullopt;
}

int Fail(const std::string& reason) {
  std::cerr << "quorvane-ini: " << host::Escaped(reason) << '\n';
  return kFailed;
}

// One operation on the file, given as wide strings. Exit status.
class Operation {
 public:
  explicit Operation(const CommandLine& line)
      : m_line(line),
        m_path(HandsetPath(line.args.file)),
        m_section(Wide(line.args.section, "SECTION")),
        m_key(Wide(line.args.key, "KEY")),
        m_value(Wide(line.args.value, "VALUE")) {}

  int Run() {
    if (m_line.prepare->parsed()) return Prepare();
    if (m_line.get->parsed()) return Get();
    if (m_line.getInt->parsed()) return GetInt();
    if (m_line.set->parsed()) return Write(m_key.c_str(), m_value.c_str());
    if (m_line.setInt->parsed()) return SetInt();
    return Write(m_line.removeKey->count() > 0 ? m_key.c_str() : nullptr, nullptr);
  }

 private:
  int Failed(tools::IniOperation operation) {
    return Fail(tools::FailureReason(operation, m_line.args.file, m_line.args.section,
                                     m_line.args.key, GetLastError()));
  }

  int Prepare() {
    if (IniPrepareFile(m_path.c_str()) == 1) return kSucceeded;
    return Failed(tools::IniOperation::kPrepare);
  }

  int Get() {
    WCHAR* text = nullptr;
    if (IniReadString(m_section.c_str(), m_key.c_str(), &text, m_path.c_str()) != 1) {
      return ReadFailed();
    }
    std::string out = host::ToUtf8(text);
    delete[] text;
    std::cout << out << '\n';
    return kSucceeded;
  }

  int GetInt() {
    int number = 0;
    if (IniReadInt(m_section.c_str(), m_key.c_str(), &number, m_path.c_str()) != 1) {
      return ReadFailed();
    }
    std::cout << number << '\n';
    return kSucceeded;
  }

  int ReadFailed() {
    if (m_section.empty()) return Fail("refused: SECTION must not be empty");
    if (m_key.empty()) return Fail("refused: KEY must not be empty");
    return Failed(tools::IniOperation::kRead);
  }

  int SetInt() {
    const std::string& text = m_line.args.value;
    int number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, 10);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
      throw UsageError("INTEGER must be a decimal number from -2147483648 to 2147483647, not '" +
                       host::Escaped(text) + "'");
    }
    if (host::Status taken = tools::RefusedInput(m_section, m_key.c_str(), u""); !taken) {
      return Fail(taken.error().message());
    }
    if (IniWriteInt(m_section.c_str(), m_key.c_str(), number, m_path.c_str()) == 1) {
      return kSucceeded;
    }
    return Failed(tools::IniOperation::kWrite);
  }

  int Write(const WCHAR* key, const WCHAR* value) {
    if (host::Status taken = tools::RefusedInput(m_section, key, value); !taken) {
      return Fail(taken.error().message());
    }
    if (IniWriteString(m_section.c_str(), key, value, m_path.c_str()) == 1) return kSucceeded;
    return Failed(tools::IniOperation::kWrite);
  }

  const CommandLine& m_line;
  std::u16string m_path;
  std::u16string m_section;
  std::u16string m_key;
  std::u16string m_value;
};

}  // namespace

int main(int argc, char** argv) {
  CommandLine line;
  DefineCommands(line);
  if (std::optional<int> done = Parse(line, argc, argv)) return *done;
  try {
    host::RealClock clock;
    host::Handset handset(clock, "/");
    return Operation(line).Run();
  } catch (const UsageError& e) {
    std::cerr << "quorvane-ini: " << e.message() << '\n';
    return kUsage;
  }
}
