#include "tests/scenarios/scenario_test.h"

#include <utility>

#include "tests/support/run_program.h"

namespace scenario_test {

Expected Text(std::int64_t t, const Json& ctl, const std::string& text) {
  return Expected("text", {{"ctl", ctl}, {"text", text}}, t);
}
Expected Status(std::int64_t t, const std::string& text) { return Text(t, kStatusLine, text); }
Expected Value(std::int64_t t, const std::string& text) { return Text(t, kValueLabel, text); }
Expected StartButtonText(std::int64_t t, const std::string& text) {
  return Text(t, IDC_START_MUSIC, text);
}
Expected Invalidate(std::int64_t t) { return Expected("invalidate", Json::object(), t); }

Expected Post(std::int64_t t, const Json& to, std::int64_t msg, std::int64_t wParam) {
  return Expected("post", {{"to", to}, {"msg", msg}, {"wparam", wParam}, {"lparam", 0}}, t);
}
Expected PlayerCommand(std::int64_t t, int code, const std::string& to) {
  return Post(t, to, kWmPlayerControl, code);
}
Expected CloseRequest(std::int64_t t, const Json& to) { return Post(t, to, kWmClose, 0); }
Expected Show(std::int64_t t, const Json& to, int cmd) {
  return Expected("show", {{"to", to}, {"cmd", cmd}}, t);
}

Expected Timer(std::int64_t t, unsigned id, int ms) {
  return Expected("timer", {{"id", id}, {"ms", ms}}, t);
}
Expected Kill(std::int64_t t, unsigned id) { return Expected("kill", {{"id", id}}, t); }
Expected Fire(std::int64_t t, unsigned id) { return Expected("fire", {{"id", id}}, t); }

Expected Launch(std::int64_t t, bool ok) {
  return Expected("launch", {{"path", "\\Windows\\MzMusic.exe"}, {"ok", ok}}, t);
}
Expected Open(std::int64_t t, bool ok) {
  return Expected("open", {{"path", "ACC0:"}, {"ok", ok}}, t);
}
Expected HandOver(std::int64_t t) { return Expected("ioctl", {{"code", kIoctlSetMessage}}, t); }
Expected Read(std::int64_t t) { return Expected("ioctl", {{"code", kIoctlReadXyz}}, t); }
Expected ReadFailed(std::int64_t t) {
  return Expected("ioctl", {{"code", kIoctlReadXyz}, {"ok", false}}, t);
}
Expected Close(std::int64_t t) { return Expected("close", {{"path", "ACC0:"}}, t); }
Expected Debug(std::int64_t t, const std::string& text) {
  return Expected("debug", {{"text", text}}, t);
}
Expected Quit(std::int64_t t) { return Expected("quit", {{"code", 0}}, t); }
Expected Exit(std::int64_t t) { return Expected("exit", {{"code", 0}}, t); }
Expected Menu(std::int64_t t, const Json& rect) {
  const Json items = Json::parse(
      R"([[124,"返回",1],[122,"全部关闭",1],[121,"关闭音乐",1],[120,"音乐暂停",1]])");
  return Expected("menu", {{"rect", rect}, {"items", items}}, t);
}
Expected MenuEnd(std::int64_t t, int result) {
  return Expected("menu-end", {{"result", result}}, t);
}

Expected SettingsFile(std::int64_t t, const std::string& text, const char* path) {
  return Expected("file", {{"path", path}, {"exists", true}, {"text", text}}, t);
}
Expected SettingsOpen(std::int64_t t, bool write, const char* path) {
  return Expected("fopen", {{"path", path}, {"write", write}, {"ok", true}}, t);
}
Expected Title(std::int64_t t) { return Expected("title", {{"text", kMainWindow}}, t); }
Expected Snapshot(std::int64_t t, const Json& fields) { return Expected("snapshot", fields, t); }

std::vector<Expected> SettingsSave(std::int64_t t, const char* path) {
  return std::vector<Expected>(7, SettingsOpen(t, true, path));
}

std::vector<Expected> Ticks(std::int64_t first, std::int64_t last,
                            Expected (*event)(std::int64_t t)) {
  std::vector<Expected> events;
  for (std::int64_t t = first; t <= last; t += kPollPeriodMs) events.push_back(event(t));
  return events;
}

Expected StatusTexts() { return Expected("text", {{"ctl", kStatusLine}}); }
Expected StartButtonTexts() { return Expected("text", {{"ctl", IDC_START_MUSIC}}); }
Expected ValueTexts() { return Expected("text", {{"ctl", kValueLabel}}); }
Expected Reads() { return Expected("ioctl", {{"code", kIoctlReadXyz}}); }
Expected WriteOpens() { return Expected("fopen", {{"write", true}}); }
Expected FileEvents() { return Expected("file"); }

std::string SettingsText(int x, int y, int z, int autoacc, int autohide, int autorun,
                         int autoplay) {
  std::string text = "[Powered By Zelbin]";
  const std::pair<const char*, int> keys[] = {{"minacc_x", x},       {"minacc_y", y},
                                              {"minacc_z", z},       {"autoacc", autoacc},
                                              {"autohide", autohide}, {"autorun", autorun},
                                              {"autoplay", autoplay}};
  for (const auto& [key, value] : keys) text += "\r\n  " + std::string(key) + "=" + std::to_string(value);
  return text;
}

void ScenarioTest::Run(const std::string& name) {
  std::string script = std::string(SCENARIO_DIR) + "/" + name + ".qvs";
  std::filesystem::path trace = m_folder.path() / "trace.jsonl";
  test_support::Outcome outcome = test_support::RunProgram(
      QUORVANE,
      {"--script", script, "--root", (m_folder.path() / "root").string(), "--trace",
       trace.string()},
      m_folder.path());
  ASSERT_EQ(0, outcome.status) << "quorvane --script " << script << ":\n" << outcome.err;
  host::Result<std::vector<trace_match::Event>> events = trace_match::ReadTrace(trace.string());
  ASSERT_TRUE(events) << events.error().message();
  m_trace = *std::move(events);
}

testing::AssertionResult ScenarioTest::Events(const std::vector<Expected>& kinds,
                                              const Sequence& expected) {
  return trace_match::MatchEvents(m_trace, kinds, expected);
}

}  // namespace scenario_test
