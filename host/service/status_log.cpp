#include "host/service/status_log.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string_view>

#include <nlohmann/json.hpp>

#include "host/crt/utf.h"
#include "host/programs/music_player.h"

namespace host::service {
namespace {

// The main window's status line: the control without id at 0,42.
constexpr std::string_view kStatusLine = "@0,42";

std::string Str(const nlohmann::ordered_json& fields, const char* key) {
  auto it = fields.find(key);
  return it != fields.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// The line for a post that tells the player to skip (a flick), or nullptr.
const char* FlickLine(const nlohmann::ordered_json& fields) {
  auto msg = fields.find("msg");
  auto wparam = fields.find("wparam");
  if (msg == fields.end() || wparam == fields.end() || !msg->is_number_integer() ||
      !wparam->is_number_integer() ||
      msg->get<std::int64_t>() != programs::kPlayerControlMessage) {
    return nullptr;
  }
  switch (wparam->get<std::int64_t>()) {
    case programs::kPlayerNext:
      return "flick right: next";
    case programs::kPlayerPrevious:
      return "flick down: previous";
    default:
      return nullptr;  // play/pause is no flick's
  }
}

// The status text in language (the application's UTF-8 text when it has no translation).
std::string Translated(const std::string& text, screen::Language language) {
  std::optional<std::u16string> wide = FromUtf8(text);
  return wide ? ToUtf8(screen::Shown(*wide, language)) : text;
}

// "DEVICE:INODE" as two decimal numbers.
bool ParseDeviceInode(std::string_view text, std::uint64_t& device, std::uint64_t& inode) {
  std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  auto number = [](std::string_view part, std::uint64_t& value) {
    auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    return !part.empty() && error == std::errc() && end == part.data() + part.size();
  };
  return number(text.substr(0, colon), device) && number(text.substr(colon + 1), inode);
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

bool IsJournalStream(const char* journalStream, int fd) {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  if (journalStream == nullptr || !ParseDeviceInode(journalStream, device, inode)) return false;
  struct stat info;
  return fstat(fd, &info) == 0 && info.st_dev == device && info.st_ino == inode;
}

StatusLog::Stamp StatusLog::ServiceStamp() {
  const char* journal = getenv("JOURNAL_STREAM");
  if (IsJournalStream(journal, 1) || IsJournalStream(journal, 2)) {
    return [] { return std::string(); };
  }
  return LocalTimeStamp;
}

StatusLog::StatusLog(std::ostream& out, std::ostream& err, Trace* next, Stamp stamp)
    : m_out(out), m_err(err), m_next(next), m_stamp(std::move(stamp)) {}

bool StatusLog::Wants(std::string_view ev) const {
  return ev == "text" || ev == "debug" || ev == "post" || ev == "gestures" ||
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
      Line(m_out, Translated(text, m_language));
    }
  } else if (ev == "gestures") {
    auto paused = fields.find("paused");
    bool isPaused = paused != fields.end() && paused->is_boolean() && paused->get<bool>();
    Line(m_out, isPaused ? "gestures paused: the player is not playing" : "gestures resumed");
  } else if (ev == "post") {
    if (const char* flick = FlickLine(fields)) Line(m_out, flick);
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

void StatusLog::Note(const std::string& text) { Line(m_out, text); }

void StatusLog::Line(std::ostream& to, const std::string& text) {
  std::string stamp = m_stamp();
  if (!stamp.empty()) to << stamp << "  ";
  to << text << '\n';
  to.flush();
}

}  // namespace host::service
