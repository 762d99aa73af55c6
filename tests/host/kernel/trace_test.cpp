// The trace: which calls leave which events, and how JsonLinesTrace writes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/kernel/handset.h"
#include "host/kernel/windowed_program.h"

namespace host {
namespace {

// A driver that accepts everything and echoes one byte.
class EchoDriver final : public DeviceDriver {
 public:
  DWORD Open(DWORD, DWORD) override { return ERROR_SUCCESS; }
  BOOL IoControl(DWORD, const void*, DWORD, void* out, DWORD outSize, DWORD* returned) override {
    if (outSize > 0) static_cast<unsigned char*>(out)[0] = 0x80;
    *returned = outSize > 0 ? 1 : 0;
    return TRUE;
  }
  void Close() override {}
};

// Lines are written when the loop is about to wait long, or a second after the last write.
TEST(Trace, LinesAreWrittenBeforeTheLoopWaits) {
  std::ostringstream out;
  JsonLinesTrace trace(out);
  auto lines = [&] {
    std::string text = out.str();
    return std::count(text.begin(), text.end(), '\n');
  };
  trace.Record(0, "post", {});
  trace.Waiting(100);  // nothing was written before: the line goes out
  EXPECT_EQ(1, lines());
  trace.Record(1, "post", {});
  trace.Waiting(100);  // a write just now: the line waits, for a second at most
  EXPECT_EQ(1, lines());
  trace.Waiting(1000);  // a long wait
  EXPECT_EQ(2, lines());
  trace.Record(2, "post", {});
  trace.Waiting(std::nullopt);  // a wait with no end
  EXPECT_EQ(3, lines());
}

// The loop tells the trace how long it is about to wait: until the next timer, or no end.
TEST(Trace, TheLoopSaysHowLongItWaits) {
  class Waits final : public Trace {
   public:
    void Record(std::int64_t, std::string_view, TraceFields) override {}
    void Waiting(std::optional<std::int64_t> waitMs) override { waits.push_back(waitMs); }
    std::vector<std::optional<std::int64_t>> waits;
  };
  VirtualClock clock;
  Handset handset(clock);
  Waits trace;
  handset.set_trace(&trace);
  HWND main = handset.CreateWindow(u"ZelbinAccWnd", u"", RECT{}, 0, nullptr);
  SetTimer(main, 1, 100, nullptr);
  clock.Advance(30);
  MSG msg;
  ASSERT_EQ(TRUE, GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(WM_TIMER, msg.message);
  KillTimer(main, 1);
  EXPECT_EQ(FALSE, GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ((std::vector<std::optional<std::int64_t>>{70, std::nullopt}), trace.waits);
}

TEST(Trace, EveryTracedCallWritesItsLine) {
  VirtualClock clock;
  Handset handset(clock);
  std::ostringstream out;
  JsonLinesTrace trace(out);
  handset.set_trace(&trace);
  EchoDriver driver;
  handset.RegisterDevice(u"ACC0:", &driver);
  handset.RegisterProgram(u"\\Windows\\MzMusic.exe", WindowedProgram::Factory({u"正在播放"}));

  HWND main = handset.CreateWindow(u"ZelbinAccWnd", u"", RECT{}, 0, nullptr);
  SetWindowTextW(main, u"Quorvane");
  ShowWindow(main, SW_SHOW);
  SetTimer(main, 1, 100, [](HWND, UINT, UINT_PTR, DWORD) {});
  clock.Advance(100);
  MSG msg;
  GetMessageW(&msg, nullptr, 0, 0);
  DispatchMessageW(&msg);
  KillTimer(main, 1);
  CreateProcessW(u"\\Windows\\MzMusic.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                 nullptr, nullptr);
  CreateProcessW(u"\\Windows\\None.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                 nullptr, nullptr);
  PostMessageW(FindWindowW(nullptr, u"正在播放"), 0xFFF00003, 3, 0);
  PostMessageW(nullptr, WM_CLOSE, 0, -1);
  HANDLE device = handset.OpenDevice(u"ACC0:", GENERIC_READ | GENERIC_WRITE, 3);
  handset.OpenDevice(u"ACC1:", GENERIC_READ, 0);
  std::uint32_t id = 0xC000;
  DeviceIoControl(device, 0x40020, &id, 4, nullptr, 0, nullptr, nullptr);
  unsigned char xyz[3];
  DWORD got;
  DeviceIoControl(device, 0x4000C, nullptr, 0, xyz, 3, &got, nullptr);
  CloseHandle(device);
  NKDbgPrintfW(u"[Acc Api] Close ACC0..........\n");
  PostQuitMessage(0);

  ASSERT_TRUE(trace.Flush());
  EXPECT_EQ(R"({"t":0,"ev":"title","text":"Quorvane"}
{"t":0,"ev":"show","to":"Quorvane","cmd":5}
{"t":0,"ev":"timer","id":1,"ms":100}
{"t":100,"ev":"fire","id":1}
{"t":100,"ev":"kill","id":1}
{"t":100,"ev":"launch","path":"\\Windows\\MzMusic.exe","ok":true}
{"t":100,"ev":"launch","path":"\\Windows\\None.exe","ok":false}
{"t":100,"ev":"post","to":"正在播放","msg":4293918723,"wparam":3,"lparam":0}
{"t":100,"ev":"post","to":null,"msg":16,"wparam":0,"lparam":-1}
{"t":100,"ev":"open","path":"ACC0:","ok":true}
{"t":100,"ev":"open","path":"ACC1:","ok":false}
{"t":100,"ev":"ioctl","code":262176,"in":"00c00000","out":"","ok":true}
{"t":100,"ev":"ioctl","code":262156,"in":"","out":"80","ok":true}
{"t":100,"ev":"close","path":"ACC0:"}
{"t":100,"ev":"debug","text":"[Acc Api] Close ACC0..........\n"}
{"t":100,"ev":"quit","code":0}
)",
            out.str());
}

TEST(Trace, LoneSurrogateIsWrittenAsReplacement) {
  VirtualClock clock;
  Handset handset(clock);
  std::ostringstream out;
  JsonLinesTrace trace(out);
  handset.set_trace(&trace);
  HWND hwnd = handset.CreateWindow(u"C", u"", RECT{}, 0, nullptr);
  const WCHAR title[] = {u'a', 0xD800, u'b', 0};
  SetWindowTextW(hwnd, title);
  trace.Flush();
  EXPECT_EQ("{\"t\":0,\"ev\":\"title\",\"text\":\"a\xEF\xBF\xBD" "b\"}\n", out.str());
}

// Wants only the events it is given, and counts what it records.
class Choosy final : public Trace {
 public:
  explicit Choosy(std::vector<std::string_view> wanted) : m_wanted(std::move(wanted)) {}
  bool Wants(std::string_view ev) const override {
    return std::find(m_wanted.begin(), m_wanted.end(), ev) != m_wanted.end();
  }
  void Record(std::int64_t, std::string_view, TraceFields) override { ++recorded; }
  int recorded = 0;

 private:
  std::vector<std::string_view> m_wanted;
};

TEST(Trace, FieldsAreBuiltOnlyForATraceThatWantsTheEvent) {
  struct Case {
    const char* what;
    std::vector<std::string_view> wanted;  // empty: no trace at all
    bool attach;
    int built;
  };
  const Case cases[] = {
      {"no trace", {}, false, 0},
      {"a trace that wants other events", {"text"}, true, 0},
      {"a trace that wants it", {"fire"}, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    VirtualClock clock;
    Handset handset(clock);
    Choosy trace(c.wanted);
    if (c.attach) handset.set_trace(&trace);
    int built = 0;
    handset.Emit("fire", [&] {
      ++built;
      return TraceFields{{"id", 1}};
    });
    EXPECT_EQ(c.built, built);
    EXPECT_EQ(c.built, trace.recorded);
  }
}

TEST(Trace, DeviceCallsOfAnUnwantedEventAreNotRecorded) {
  VirtualClock clock;
  Handset handset(clock);
  Choosy trace({"open"});
  handset.set_trace(&trace);
  EchoDriver driver;
  handset.RegisterDevice(u"ACC0:", &driver);
  HANDLE device = handset.OpenDevice(u"ACC0:", GENERIC_READ, 0);
  unsigned char xyz[3];
  DWORD got = 0;
  EXPECT_TRUE(DeviceIoControl(device, 0x4000C, nullptr, 0, xyz, 3, &got, nullptr));
  EXPECT_EQ(1u, got);
  EXPECT_EQ(0x80, xyz[0]);
  EXPECT_EQ(1, trace.recorded);  // the open alone
}

TEST(Trace, LinesAreWrittenInBlocksAndOnFlush) {
  std::ostringstream out;
  {
    JsonLinesTrace trace(out);
    trace.Record(5, "invalidate", TraceFields::object());
    EXPECT_EQ("", out.str());
    ASSERT_TRUE(trace.Flush());
    EXPECT_EQ("{\"t\":5,\"ev\":\"invalidate\"}\n", out.str());
    // A block is written once it is full, without a flush.
    std::string text(70'000, 'x');
    trace.Record(6, "debug", TraceFields{{"text", text}});
    std::string written = out.str();
    EXPECT_EQ(2, std::count(written.begin(), written.end(), '\n'));
    trace.Record(7, "quit", TraceFields{{"code", 0}});
  }
  // The rest on destruction.
  EXPECT_TRUE(out.str().ends_with("{\"t\":7,\"ev\":\"quit\",\"code\":0}\n"));
}

}  // namespace
}  // namespace host
