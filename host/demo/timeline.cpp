#include "host/demo/timeline.h"

#include <cstdio>
#include <optional>

#include <nlohmann/json.hpp>

#include "host/crt/escaped.h"
#include "host/drivers/accelerometer.h"

namespace host::demo {
namespace {

// The main window's status line: the control without id at 0,42.
constexpr std::string_view kStatusLine = "@0,42";
// The application's sensitivity when its settings file does not say.
constexpr const char* kDefaultSensitivity = "120";
constexpr int kSwHide = 0;

std::string Str(const nlohmann::ordered_json& fields, const char* key) {
  auto it = fields.find(key);
  return it != fields.end() && it->is_string() ? it->get<std::string>() : std::string();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The three sample bytes of a read's output ("7f0000"), or nothing.
std::optional<AccSample> SampleOf(const std::string& hex) {
  if (hex.size() < 6) return std::nullopt;
  std::int8_t bytes[3];
  for (int i = 0; i < 3; ++i) {
    int high = HexDigit(hex[2 * i]);
    int low = HexDigit(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<std::int8_t>(static_cast<std::uint8_t>(high * 16 + low));
  }
  return AccSample{bytes[0], bytes[1], bytes[2]};
}

// The value of "minacc_x=" in a settings file's text.
std::optional<std::string> Sensitivity(const std::string& text) {
  constexpr std::string_view kKey = "minacc_x=";
  std::size_t at = text.find(kKey);
  if (at == std::string::npos) return std::nullopt;
  std::size_t from = at + kKey.size();
  std::size_t to = text.find_first_not_of("-0123456789", from);
  return text.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

}  // namespace

Timeline::Timeline(std::ostream& out, Trace* next)
    : m_out(out), m_next(next), m_sensitivity(kDefaultSensitivity) {}

bool Timeline::Wants(std::string_view ev) const {
  static constexpr std::string_view kShown[] = {"text", "ioctl", "player", "file",
                                                "fopen", "show", "launch", "exit"};
  for (std::string_view shown : kShown) {
    if (ev == shown) return true;
  }
  return m_next != nullptr && m_next->Wants(ev);
}

void Timeline::Record(std::int64_t t, std::string_view ev, TraceFields fields) {
  if (ev == "text") {
    Text(t, fields);
  } else if (ev == "ioctl") {
    Read(t, fields);
  } else if (ev == "player") {
    Player(t, fields);
  } else if (ev == "file") {
    File(t, fields);
  } else if (ev == "fopen") {
    if (fields.value("write", false) && !fields.value("ok", true)) {
      // One line for a whole save (seven keys), not one per key.
      if (t != m_lastFailedSaveMs) {
        Say(t, "settings NOT saved: cannot write " + Str(fields, "path"));
      }
      m_lastFailedSaveMs = t;
    }
  } else if (ev == "show") {
    std::string to = Str(fields, "to");
    if (!to.empty()) {
      Say(t, std::string(fields.value("cmd", 0) == kSwHide ? "window hidden: " : "window shown: ") +
                 to);
    }
  } else if (ev == "launch") {
    if (!fields.value("ok", false)) Say(t, "starting " + Str(fields, "path") + " failed");
  } else if (ev == "exit") {
    Say(t, "Quorvane has ended (exit code " + std::to_string(fields.value("code", 0)) + ")");
  }
  if (m_next != nullptr) m_next->Record(t, ev, std::move(fields));
}

void Timeline::Say(std::int64_t t, const std::string& text) {
  char time[32];
  std::snprintf(time, sizeof time, "%5.1f s  ", static_cast<double>(t) / 1000.0);
  // Song titles and window texts come from outside (--music names a folder of the user's);
  // a control character in them must not reach the terminal as such.
  m_out << time << Escaped(text) << std::endl;
  ++m_lines;
}

void Timeline::Text(std::int64_t t, const nlohmann::ordered_json& fields) {
  auto ctl = fields.find("ctl");
  if (ctl == fields.end() || !ctl->is_string() || ctl->get<std::string>() != kStatusLine) return;
  std::string text = Str(fields, "text");
  if (text == m_status) return;
  m_status = text;
  Say(t, "status: " + text);
}

void Timeline::Read(std::int64_t t, const nlohmann::ordered_json& fields) {
  if (fields.value("code", 0u) != kIoctlAccReadXyz || !fields.value("ok", false)) return;
  std::optional<AccSample> sample = SampleOf(Str(fields, "out"));
  if (!sample || *sample == m_tilt) return;
  m_tilt = *sample;
  if (m_tilt == AccSample{}) {
    Say(t, "tilt: at rest");
    return;
  }
  Say(t, "tilt: x " + std::to_string(m_tilt.x) + "  y " + std::to_string(m_tilt.y) + "  z " +
             std::to_string(m_tilt.z));
}

void Timeline::Player(std::int64_t t, const nlohmann::ordered_json& fields) {
  std::string event = Str(fields, "event");
  std::string now = std::to_string(fields.value("index", 0)) + "/" +
                    std::to_string(fields.value("count", 0)) + " " + Str(fields, "title") +
                    (fields.value("playing", false) ? " (playing)" : " (paused)");
  if (event == "started") {
    Say(t, "player started  → now playing: " + now);
  } else if (event == "song-ended") {
    Say(t, "player: song over  → now playing: " + now);
  } else if (event == "closed") {
    Say(t, "player ◀ close  → the player has ended");
  } else {
    Say(t, "player ◀ " + std::string(event == "play-pause" ? "play/pause" : event) +
               "  → now playing: " + now);
  }
}

void Timeline::SettingsBefore(const nlohmann::ordered_json& text) {
  m_sensitivity = Sensitivity(text.is_string() ? text.get<std::string>() : std::string())
                      .value_or(kDefaultSensitivity);
}

void Timeline::File(std::int64_t t, const nlohmann::ordered_json& fields) {
  std::optional<std::string> sensitivity = Sensitivity(Str(fields, "text"));
  if (!sensitivity || sensitivity == m_sensitivity) return;
  m_sensitivity = *sensitivity;
  Say(t, "settings saved: sensitivity " + *sensitivity);
}

}  // namespace host::demo
