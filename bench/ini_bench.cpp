// How fast the settings file engine reads and saves, against the cost of merely opening and
// reading the file, and against inih on the same settings. Figures: docs/performance.md.
#include <ini.h>  // inih

#include <cstring>
#include <memory>
#include <string>

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

void BM_OpenReadClose(benchmark::State& state) {
  Bench bench("config.ini", File(kFirstSave));
  static char buffer[4096];
  for (auto _ : state) {
    HANDLE file = CreateFileW(u"\\config.ini", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(file);
    benchmark::DoNotOptimize(got);
  }
}
BENCHMARK(BM_OpenReadClose);

void BM_IniReadInt(benchmark::State& state) {
  Bench bench("config.ini", File(kFirstSave));
  for (auto _ : state) {
    int value = 0;
    if (IniReadInt(u"Powered By Zelbin", u"autoplay", &value, u"\\config.ini") != 1 ||
        value != 1) {
      state.SkipWithError("read failed");
    }
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_IniReadInt);

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

void BM_InihParse(benchmark::State& state) {
  Bench bench("config-utf8.ini", Utf8ForInih(kFirstSave));
  std::string path = bench.Host("config-utf8.ini").string();
  for (auto _ : state) {
    InihTarget target{"Powered By Zelbin", "autoplay"};
    if (ini_parse(path.c_str(), PickKey, &target) != 0 || target.value != 1) {
      state.SkipWithError("parse failed");
    }
    benchmark::DoNotOptimize(target.value);
  }
}
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

// 10,000 sections of about 105 bytes each: a file of about 1 MiB.
std::u16string LargeText() {
  std::u16string text;
  for (int i = 0; i < 10000; ++i) {
    std::string section = "[Section " + std::to_string(i) + "]\r\n  alpha=" +
                          std::to_string(i) + "\r\n  beta=" + std::string(14, 'b') + "\r\n";
    text.append(section.begin(), section.end());
  }
  return text;
}

void BM_LargeOpenReadClose(benchmark::State& state) {
  Bench bench("large.ini", File(LargeText()));
  auto buffer = std::make_unique<char[]>(2 << 20);
  for (auto _ : state) {
    HANDLE file = CreateFileW(u"\\large.ini", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD got = 0;
    ReadFile(file, buffer.get(), 2 << 20, &got, nullptr);
    CloseHandle(file);
    benchmark::DoNotOptimize(got);
  }
  state.counters["bytes"] = static_cast<double>(2 + 2 * LargeText().size());
}
BENCHMARK(BM_LargeOpenReadClose)->Unit(benchmark::kMicrosecond);

void BM_LargeIniReadIntLastSection(benchmark::State& state) {
  Bench bench("large.ini", File(LargeText()));
  for (auto _ : state) {
    int value = 0;
    if (IniReadInt(u"Section 9999", u"alpha", &value, u"\\large.ini") != 1 || value != 9999) {
      state.SkipWithError("read failed");
    }
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_LargeIniReadIntLastSection)->Unit(benchmark::kMicrosecond);

void BM_LargeInihLastSection(benchmark::State& state) {
  Bench bench("large-utf8.ini", Utf8ForInih(LargeText()));
  std::string path = bench.Host("large-utf8.ini").string();
  for (auto _ : state) {
    InihTarget target{"Section 9999", "alpha"};
    if (ini_parse(path.c_str(), PickKey, &target) != 0 || target.value != 9999) {
      state.SkipWithError("parse failed");
    }
    benchmark::DoNotOptimize(target.value);
  }
}
BENCHMARK(BM_LargeInihLastSection)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
