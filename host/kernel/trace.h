// The trace: what the system did, one event at a time, as JSON Lines (docs/scenarios.md lists
// the events). Every event has "t" (handset milliseconds) and "ev"; the rest are its fields.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace host {

// An event's fields: a JSON object whose keys keep the order they were added in.
using TraceFields = nlohmann::ordered_json;

class Trace {
 public:
  virtual ~Trace() = default;
  // Whether Record wants events named ev. The handset builds an event only for a trace that
  // wants it, so a trace that looks at a few events makes the others cost nothing.
  virtual bool Wants(std::string_view /*ev*/) const { return true; }
  // Whether Record wants also the events named ev that repeat what the one before said (a
  // control's text set to the text it has). A trace that follows only changes (the service's
  // log of the status line) answers false, and the source leaves those events out. Asked only
  // when Wants(ev).
  virtual bool WantsRepeats(std::string_view /*ev*/) const { return true; }
  // fields is an object; "t" and "ev" are added in front.
  virtual void Record(std::int64_t t, std::string_view ev, TraceFields fields) = 0;
  // The message loop is about to wait: waitMs of the handset's time until its next timer, or
  // (none) until something happens. A trace that holds lines back may write them now.
  virtual void Waiting(std::optional<std::int64_t> /*waitMs*/) {}
};

// Writes each event as one line of JSON to out. The lines are gathered in a buffer and written
// in blocks, or when the loop waits (Waiting); Flush (and the destructor) writes the rest. Used
// on the handset's thread only.
class JsonLinesTrace final : public Trace {
 public:
  // REQUIRES: out outlives the trace.
  explicit JsonLinesTrace(std::ostream& out) : m_out(out) {}
  ~JsonLinesTrace() override { Flush(); }
  JsonLinesTrace(const JsonLinesTrace&) = delete;
  JsonLinesTrace& operator=(const JsonLinesTrace&) = delete;

  void Record(std::int64_t t, std::string_view ev, TraceFields fields) override;

  // Writes what is buffered and flushes out; false when out has failed (now or before).
  bool Flush();
  // Writes the buffered lines out before a wait of a second or more (or one with no end), and
  // before any wait a second after the last write: a person following the file sees each event
  // within about a second, while a busy run still writes in blocks.
  void Waiting(std::optional<std::int64_t> waitMs) override;

 private:
  void WriteBuffer();

  // Written to out once the buffer holds this much.
  static constexpr std::size_t kBlockBytes = std::size_t{64} << 10;
  // Before a wait, lines are written once they have waited this long (or the wait is as long).
  static constexpr std::chrono::milliseconds kWaitingWrite{1000};

  std::ostream& m_out;
  std::string m_buffer;
  std::chrono::steady_clock::time_point m_lastWrite{};
};

}  // namespace host
