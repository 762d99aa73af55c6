#include "host/service/status_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include <nlohmann/json.hpp>

namespace host::service {
namespace {

// The main window's status line: the control without id at 0,42.
constexpr std::string_view kStatusLine = "@0,42";

std::string Str(const nlohmann::ordered_json& fields, const char* key) {
  auto it = fields.find(key);
  return it != fields.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

std::string LocalTimeStamp() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  long ms = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[40];
  std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + length, sizeof text - length, ".%03ld", ms);
  return text;
}

StatusLog::StatusLog(std::ostream& out, std::ostream& err, Trace* next, Stamp stamp)
    : m_out(out), m_err(err), m_next(next), m_stamp(std::move(stamp)) {}

bool StatusLog::Wants(std::string_view ev) const {
  return ev == "text" || ev == "debug" || ev == "gestures" ||
         (m_next != nullptr && m_next->Wants(ev));
}

bool StatusLog::WantsRepeats(std::string_view ev) const {
  if (m_next != nullptr && m_next->Wants(ev)) return m_next->WantsRepeats(ev);
  return ev != "text";
}

void StatusLog::Record(std::int64_t t, std::string_view ev, TraceFields fields) {
  if (ev == "text" && Str(fields, "ctl") == kStatusLine) {
    std::string text = Str(fields, "text");
    if (text != m_status) {
      m_status = text;
      Line(m_out, text);
    }
  } else if (ev == "gestures") {
    auto paused = fields.find("paused");
    bool isPaused = paused != fields.end() && paused->is_boolean() && paused->get<bool>();
    Line(m_out, isPaused ? "gestures paused: the player is not playing" : "gestures resumed");
  } else if (ev == "debug") {
    std::string text = Str(fields, "text");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (m_anyDebug && text == m_lastDebug) {
      ++m_repeats;
    } else {
      Finish();
      m_lastDebug = text;
      m_anyDebug = true;
      m_repeats = 0;
      Line(m_err, "debug: " + text);
    }
  }
  if (m_next != nullptr) m_next->Record(t, ev, std::move(fields));
}

void StatusLog::Finish() {
  if (m_repeats > 0) {
    Line(m_err, "debug: the line before came " + std::to_string(m_repeats) + " times more");
  }
  m_repeats = 0;
}

void StatusLog::Problem(const std::string& text) {
  Finish();
  Line(m_err, text);
}

void StatusLog::Line(std::ostream& to, const std::string& text) {
  to << m_stamp() << "  " << text << '\n';
  to.flush();
}

}  // namespace host::service
