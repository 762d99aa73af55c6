// Fuzzing the settings file engine: random file contents, then random reads and changes.
// What must hold: no crash and no sanitizer report; a read never changes the file; a change
// the writer accepts succeeds on a file with the mark, and what it set reads back as set.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "settings/ini.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr const char16_t* kPath = u"\\fuzz.ini";

struct World {
  // A folder in memory when there is one: changes are flushed to disk on every call.
  test_support::TempFolder folder{"quorvane-fuzz", std::filesystem::exists("/dev/shm")
                                                       ? std::filesystem::path("/dev/shm")
                                                       : std::filesystem::temp_directory_path()};
  std::filesystem::path root = folder.path();
  host::VirtualClock clock;
  std::unique_ptr<host::Handset> handset = std::make_unique<host::Handset>(clock, root.string());
};

World* g_world = nullptr;

void RemoveWorld() {
  delete g_world;
  g_world = nullptr;
}

std::string FileBytes() {
  std::ifstream in(g_world->root / "fuzz.ini", std::ios::binary);
  if (!in) return "<none>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names and values from a small alphabet that reaches every rule of the format: brackets,
// "=", line ends, blanks, letters that make names overlap, and a code unit past ASCII.
std::u16string Text(FuzzedDataProvider& data) {
  static const char16_t kWords[][9] = {u"Main", u"Extra", u"one", u"two", u"extratwo",
                                       u"a",    u"aa",    u"[",   u"]",   u"="};
  static const char16_t kUnits[] = u"ab[]= \t\r\n;\u97F3";
  std::u16string text;
  int parts = data.ConsumeIntegralInRange(0, 4);
  for (int i = 0; i < parts; ++i) {
    if (data.ConsumeBool()) {
      text += kWords[data.ConsumeIntegralInRange<std::size_t>(0, std::size(kWords) - 1)];
    } else {
      text += kUnits[data.ConsumeIntegralInRange<std::size_t>(0, std::size(kUnits) - 2)];
    }
  }
  return text;
}

bool HasLineBreak(const std::u16string& s) { return s.find_first_of(u"\r\n") != s.npos; }

// What the writer takes: it refuses names and values that would break the format.
bool Writable(const std::u16string& section, const std::u16string& key,
              const std::u16string& value) {
  return !section.empty() && !HasLineBreak(section) && !key.empty() && key[0] != u' ' &&
         key[0] != u'\t' && key.find(u'=') == key.npos && !HasLineBreak(key) &&
         !HasLineBreak(value);
}

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "settings fuzzer: %s\n", what);
    std::abort();
  }
}

bool Marked(const std::string& bytes) { return bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_world = new World;
  std::atexit(RemoveWorld);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  std::string content = data.ConsumeBool() ? "\xFF\xFE" : "";
  content += data.ConsumeRandomLengthString(2048);
  std::ofstream(g_world->root / "fuzz.ini", std::ios::binary | std::ios::trunc) << content;

  for (int step = 0; step < 8 && data.remaining_bytes() > 0; ++step) {
    std::u16string section = Text(data);
    std::u16string key = Text(data);
    std::u16string value = Text(data);
    std::string before = FileBytes();
    switch (data.ConsumeIntegralInRange(0, 6)) {
      case 0: {
        WCHAR* out = nullptr;
        if (IniReadString(section.c_str(), key.c_str(), &out, kPath) == 1) {
          Check(out != nullptr, "a successful read gave no value");
          delete[] out;
        }
        Check(FileBytes() == before, "IniReadString changed the file");
        break;
      }
      case 1: {
        int number = 0;
        IniReadInt(section.c_str(), key.c_str(), &number, kPath);
        Check(FileBytes() == before, "IniReadInt changed the file");
        break;
      }
      case 2:
      case 3: {
        int result = IniWriteString(section.c_str(), key.c_str(), value.c_str(), kPath);
        if (!Writable(section, key, value)) {
          Check(result == 0 && FileBytes() == before, "refused input changed the file");
          break;
        }
        Check(result == (Marked(before) ? 1 : 0), "a set failed on a settings file");
        if (result == 1) {
          WCHAR* out = nullptr;
          Check(IniReadString(section.c_str(), key.c_str(), &out, kPath) == 1,
                "a value set cannot be read");
          Check(out != nullptr && value == out, "a value set reads back otherwise");
          delete[] out;
        } else {
          Check(FileBytes() == before, "a failed set changed the file");
        }
        break;
      }
      case 4: {
        int number = data.ConsumeIntegral<int>();
        int result = IniWriteInt(section.c_str(), key.c_str(), number, kPath);
        if (Writable(section, key, u"0")) {
          Check(result == (Marked(before) ? 1 : 0), "a number set failed on a settings file");
        }
        if (result == 1) {
          int back = ~number;
          Check(IniReadInt(section.c_str(), key.c_str(), &back, kPath) == 1 && back == number,
                "a number set reads back otherwise");
        }
        break;
      }
      case 5: {
        bool wholeSection = data.ConsumeBool();
        int result = IniWriteString(section.c_str(), wholeSection ? nullptr : key.c_str(),
                                    nullptr, kPath);
        if (result == 0) Check(FileBytes() == before, "a failed delete changed the file");
        break;
      }
      case 6:
        IniPrepareFile(kPath);
        Check(Marked(FileBytes()), "a prepared file has no mark");
        break;
    }
  }
  return 0;
}
