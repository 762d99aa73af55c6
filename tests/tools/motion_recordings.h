// Recordings for the motion lab's tests, built row by row at 100 Hz: a person walking, desk
// bumps and deliberate flicks, with the labels a person would have put on the flicks.
#pragma once

#include <cmath>
#include <cstdint>
#include <map>
#include <string>

namespace test_support {

class RecordingBuilder {
 public:
  // Rows every 10 ms from 0 to endMs, the handset at rest lying upright (z = 64, one g).
  explicit RecordingBuilder(std::int64_t endMs) : m_endMs(endMs) {}

  // Walking at 2 Hz, ±0.3 g on x and on z (over gravity), from fromMs to toMs.
  RecordingBuilder& Walking(std::int64_t fromMs, std::int64_t toMs) {
    for (std::int64_t t = fromMs; t < toMs; t += kStepMs) {
      double phase = 2 * M_PI * 2 * static_cast<double>(t) / 1000;
      Row& row = m_rows[t];
      row.x = static_cast<int>(std::lround(19 * std::sin(phase)));
      row.z = 64 + static_cast<int>(std::lround(19 * std::cos(phase)));
    }
    return *this;
  }
  // x (next) or z (previous) at value for lengthMs from atMs; labelled when label is given.
  RecordingBuilder& FlickX(std::int64_t atMs, std::int64_t lengthMs, int value,
                           const char* label = "") {
    return Flick(atMs, lengthMs, &Row::x, value, label);
  }
  RecordingBuilder& FlickZ(std::int64_t atMs, std::int64_t lengthMs, int value,
                           const char* label = "") {
    return Flick(atMs, lengthMs, &Row::z, value, label);
  }

  std::string Csv() const {
    std::string csv = "ms,x,y,z,label\n";
    for (std::int64_t t = 0; t <= m_endMs; t += kStepMs) {
      auto it = m_rows.find(t);
      Row row = it == m_rows.end() ? Row{} : it->second;
      csv += std::to_string(t) + "," + std::to_string(row.x) + ",0," + std::to_string(row.z);
      if (!row.label.empty()) csv += "," + row.label;
      csv += "\n";
    }
    return csv;
  }

 private:
  static constexpr std::int64_t kStepMs = 10;
  struct Row {
    int x = 0;
    int z = 64;
    std::string label;
  };

  RecordingBuilder& Flick(std::int64_t atMs, std::int64_t lengthMs, int Row::*axis, int value,
                          const char* label) {
    for (std::int64_t t = atMs; t < atMs + lengthMs; t += kStepMs) m_rows[t].*axis = value;
    m_rows[atMs].label = label;
    return *this;
  }

  std::int64_t m_endMs;
  std::map<std::int64_t, Row> m_rows;
};

// g in the driver's bytes (64 per g), clamped to a signed byte.
inline int G(double g) {
  long value = std::lround(64 * g);
  return static_cast<int>(value > 127 ? 127 : value);
}

}  // namespace test_support
