// How fast the settings file engine reads and saves, against the cost of merely opening and
// reading the file, and against inih on the same settings. Figures: docs/performance.md.
#include <ini.h>  // inih

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "settings/acc_config.h"
#include "settings/ini.h"
#include "tests/settings/settings_folder.h"

namespace {

using settings_test::File;
using settings_test::kFirstSave;

// The same settings in UTF-8 as inih reads them: inih takes an indented line for the
// continuation of the previous value, so the keys stand at the start of their lines.
std::string Utf8ForInih(std::u16string_view text) {
  std::string bytes;
  bool lineStart = true;
  for (char16_t c : text) {  // ASCII only
    if (lineStart && c == u' ') continue;
    lineStart = c == u'\n';
    bytes += static_cast<char>(c);
  }
  return bytes;
}

// A handset whose "\" is a fresh temporary folder holding one file, with Quorvane's process
// running from "\".
class Bench : public settings_test::SettingsFolder {
 public:
  Bench(const std::string& name, const std::string& bytes) : SettingsFolder("quorvane-bench") {
    RunAs(u"\\Quorvane.exe");
    PutBytes(bytes, name);
  }
};

// A settings file and the integer one of its keys holds (ASCII names), for the three ways of
// reading it.
struct Lookup {
  std::u16string text;
  const char* section;
  const char* key;
  int value;
};

std::u16string Wide(const char* ascii) { return std::u16string(ascii, ascii + std::strlen(ascii)); }

// Opening the file, reading it whole and closing it: the floor of any way of reading it.
void OpenReadClose(benchmark::State& state, const Lookup& lookup) {
  std::string bytes = File(lookup.text);
  Bench bench("config.ini", bytes);
  // 4 KiB, or room for the whole file and one byte more: one ReadFile reads it to its end.
  std::vector<char> buffer(std::max<std::size_t>(4096, bytes.size() + 1));
  for (auto _ : state) {
    HANDLE file = CreateFileW(u"\\config.ini", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD got = 0;
    ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
    CloseHandle(file);
    benchmark::DoNotOptimize(got);
  }
}

void IniReadIntOf(benchmark::State& state, const Lookup& lookup) {
  Bench bench("config.ini", File(lookup.text));
  std::u16string section = Wide(lookup.section), key = Wide(lookup.key);
  for (auto _ : state) {
    int value = 0;
    if (IniReadInt(section.c_str(), key.c_str(), &value, u"\\config.ini") != 1 ||
        value != lookup.value) {
      state.SkipWithError("read failed");
    }
    benchmark::DoNotOptimize(value);
  }
}

struct InihTarget {
  const char* section;
  const char* key;
  int value = -1;
};

int PickKey(void* user, const char* section, const char* name, const char* value) {
  auto* target = static_cast<InihTarget*>(user);
  if (std::strcmp(section, target->section) == 0 && std::strcmp(name, target->key) == 0) {
    target->value = std::atoi(value);
  }
  return 1;
}

void InihParseOf(benchmark::State& state, const Lookup& lookup) {
  Bench bench("config-utf8.ini", Utf8ForInih(lookup.text));
  std::string path = bench.Host("config-utf8.ini").string();
  for (auto _ : state) {
    InihTarget target{lookup.section, lookup.key};
    if (ini_parse(path.c_str(), PickKey, &target) != 0 || target.value != lookup.value) {
      state.SkipWithError("parse failed");
    }
    benchmark::DoNotOptimize(target.value);
  }
}

// The settings of a first save, read for autoplay.
Lookup Settings() { return {std::u16string(kFirstSave), "Powered By Zelbin", "autoplay", 1}; }

void BM_OpenReadClose(benchmark::State& state) { OpenReadClose(state, Settings()); }
BENCHMARK(BM_OpenReadClose);

void BM_IniReadInt(benchmark::State& state) { IniReadIntOf(state, Settings()); }
BENCHMARK(BM_IniReadInt);

void BM_InihParse(benchmark::State& state) { InihParseOf(state, Settings()); }
BENCHMARK(BM_InihParse);

void BM_AccConfigLoad(benchmark::State& state) {
  Bench bench("config.ini", File(kFirstSave));
  AccConfig config;
  for (auto _ : state) {
    config.Load();
    benchmark::DoNotOptimize(config.autoplay);
  }
}
BENCHMARK(BM_AccConfigLoad);

void BM_AccConfigSaveUnchanged(benchmark::State& state) {
  Bench bench("config.ini", File(kFirstSave));
  AccConfig config;
  for (auto _ : state) config.Save();
}
BENCHMARK(BM_AccConfigSaveUnchanged);

void BM_AccConfigSaveOneChanged(benchmark::State& state) {
  Bench bench("config.ini", File(kFirstSave));
  AccConfig config;
  for (auto _ : state) {
    config.minacc_x = config.minacc_x == 100 ? 101 : 100;
    config.Save();
  }
}
BENCHMARK(BM_AccConfigSaveOneChanged)->Unit(benchmark::kMicrosecond);

// 10,000 sections of about 105 bytes each: a file of about 1 MiB, read for the value of its
// last section.
Lookup Large() {
  std::u16string text;
  for (int i = 0; i < 10000; ++i) {
    std::string section = "[Section " + std::to_string(i) + "]\r\n  alpha=" +
                          std::to_string(i) + "\r\n  beta=" + std::string(14, 'b') + "\r\n";
    text.append(section.begin(), section.end());
  }
  return {text, "Section 9999", "alpha", 9999};
}

void BM_LargeOpenReadClose(benchmark::State& state) {
  Lookup large = Large();
  OpenReadClose(state, large);
  state.counters["bytes"] = static_cast<double>(2 + 2 * large.text.size());
}
BENCHMARK(BM_LargeOpenReadClose)->Unit(benchmark::kMicrosecond);

void BM_LargeIniReadIntLastSection(benchmark::State& state) { IniReadIntOf(state, Large()); }
BENCHMARK(BM_LargeIniReadIntLastSection)->Unit(benchmark::kMicrosecond);

void BM_LargeInihLastSection(benchmark::State& state) { InihParseOf(state, Large()); }
BENCHMARK(BM_LargeInihLastSection)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
