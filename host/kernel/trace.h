// The trace: what the system did, one event at a time, as JSON Lines (docs/scenarios.md lists
// the events). Every event has "t" (handset milliseconds) and "ev"; the rest are its fields.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
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
  // fields is an object; "t" and "ev" are added in front.
  virtual void Record(std::int64_t t, std::string_view ev, TraceFields fields) = 0;
};

// Writes each event as one line of JSON to out. The lines are gathered in a buffer and written
// in blocks; Flush (and the destructor) writes the rest. Flush may be called from another thread
// (the one that finishes the work of an ending signal, host/kernel/ending_signals.h).
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
  // Flush, unless the trace stays busy for longer than wait (a write blocked on a full pipe):
  // then nothing, and false.
  bool FlushWithin(std::chrono::milliseconds wait);

 private:
  // REQUIRES: m_mutex is held.
  void WriteBuffer();
  bool FlushHeld();

  // Written to out once the buffer holds this much.
  static constexpr std::size_t kBlockBytes = std::size_t{64} << 10;

  std::timed_mutex m_mutex;  // guards m_out and m_buffer
  std::ostream& m_out;
  std::string m_buffer;
};

}  // namespace host
