// The trace: what the system did, one event at a time, as JSON Lines (docs/scenarios.md lists
// the events). Every event has "t" (handset milliseconds) and "ev"; the rest are its fields.
#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace host {

class Trace {
 public:
  virtual ~Trace() = default;
  // fields is an object; "t" and "ev" are added in front.
  virtual void Record(std::int64_t t, std::string_view ev, nlohmann::ordered_json fields) = 0;
};

// Writes each event as one line of JSON to out.
class JsonLinesTrace final : public Trace {
 public:
  explicit JsonLinesTrace(std::ostream& out) : m_out(out) {}
  void Record(std::int64_t t, std::string_view ev, nlohmann::ordered_json fields) override;

 private:
  std::ostream& m_out;
};

}  // namespace host
