// A trace that keeps each event as one short line, "ev value value ...", with texts unquoted,
// so tests compare what happened against a table: {"post 正在播放 4293918723 3 0"}.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/kernel/trace.h"

class EventLog final : public host::Trace {
 public:
  void Record(std::int64_t t, std::string_view ev, nlohmann::ordered_json fields) override {
    std::string line(ev);
    for (const auto& [key, value] : fields.items()) {
      line += ' ';
      line += value.is_string() ? value.get<std::string>() : value.dump();
    }
    m_lines.push_back(line);
    m_times.push_back(t);
    if (m_onEvent) m_onEvent(ev);
  }

  // Called after each event is recorded: a test looks at the handset at that moment.
  void set_on_event(std::function<void(std::string_view ev)> onEvent) {
    m_onEvent = std::move(onEvent);
  }

  // Every line so far.
  const std::vector<std::string>& lines() const { return m_lines; }

  // The lines of the named events, in order.
  std::vector<std::string> Of(std::initializer_list<std::string_view> events) const {
    std::vector<std::string> out;
    for (const std::string& line : m_lines) {
      std::string_view ev = std::string_view(line).substr(0, line.find(' '));
      for (std::string_view wanted : events) {
        if (ev == wanted) {
          out.push_back(line);
          break;
        }
      }
    }
    return out;
  }

  // How many lines read exactly so.
  int Count(std::string_view wanted) const {
    int n = 0;
    for (const std::string& line : m_lines) n += line == wanted ? 1 : 0;
    return n;
  }

  // The handset time of each line.
  const std::vector<std::int64_t>& times() const { return m_times; }

  void Clear() {
    m_lines.clear();
    m_times.clear();
  }

 private:
  std::vector<std::string> m_lines;
  std::vector<std::int64_t> m_times;
  std::function<void(std::string_view)> m_onEvent;
};
