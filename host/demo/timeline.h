// The demo's timeline: a trace that prints what a person watching the handset would notice, one
// line per change, with the handset time in seconds:
//
//     2.1 s  status: 没有操作，监听中
//     4.6 s  tilt: x 127  y 0  z 0
//     4.6 s  player ◀ next  → now playing: 3/8 Paper Boats (playing)
//
// It shows the application's status line when its text changes, the accelerometer samples the
// application reads when they change, the built-in player's changes, windows hidden and shown,
// failed launches, settings saves that change the sensitivity (a watched settings file), saves
// that failed, and the application's end. Every event is also handed on to the next trace,
// when there is one.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "host/drivers/accelerometer.h"
#include "host/kernel/trace.h"

namespace host::demo {

class Timeline final : public Trace {
 public:
  // REQUIRES: out and next outlive the timeline.
  explicit Timeline(std::ostream& out, Trace* next = nullptr);

  // The events it shows, and what the next trace wants.
  bool Wants(std::string_view ev) const override;
  void Record(std::int64_t t, std::string_view ev, TraceFields fields) override;
  void Waiting(std::optional<std::int64_t> waitMs) override {
    if (m_next != nullptr) m_next->Waiting(waitMs);
  }

  // The settings file's text before the run (a "file" event's "text"; null when there is none),
  // so that only saves that change the sensitivity are shown.
  void SettingsBefore(const nlohmann::ordered_json& text);

  // Prints a line of the demo's own at t.
  void Say(std::int64_t t, const std::string& text);

  // Lines printed so far.
  int lines() const { return m_lines; }

 private:
  void Text(std::int64_t t, const nlohmann::ordered_json& fields);
  void Read(std::int64_t t, const nlohmann::ordered_json& fields);
  void Player(std::int64_t t, const nlohmann::ordered_json& fields);
  void File(std::int64_t t, const nlohmann::ordered_json& fields);

  std::ostream& m_out;
  Trace* m_next;
  int m_lines = 0;
  std::string m_status;
  AccSample m_tilt;
  std::string m_sensitivity;  // as last saved
  std::int64_t m_lastFailedSaveMs = -1;  // when a failed save was told last
};

}  // namespace host::demo
