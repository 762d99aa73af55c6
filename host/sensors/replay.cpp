#include "host/sensors/replay.h"

#include "host/crt/escaped.h"
#include "host/crt/text_file.h"
#include "host/crt/text_lines.h"
#include "host/kernel/handset.h"
#include "host/sensors/peak_window.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <system_error>

namespace host::sensors {
namespace {



std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  while (true) {
    std::size_t comma = line.find(',');
    fields.push_back(Trimmed(line.substr(0, comma)));
    if (comma == std::string_view::npos) return fields;
    line.remove_prefix(comma + 1);
  }
}

// A decimal number with an optional sign, the whole field.
std::optional<std::int64_t> Number(std::string_view field) {
  bool plus = !field.empty() && field[0] == '+';
  if (plus) field.remove_prefix(1);
  if (field.empty() || (plus && field[0] == '-')) return std::nullopt;
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, 10);
  if (error != std::errc() || end != field.data() + field.size()) return std::nullopt;
  return value;
}

// A field as it may stand in a message: a recording may hold any bytes.
// Built by appending: g++ 12 warns falsely (-Wrestrict) about "'" + std::string at -O3.
std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  quoted += Escaped(text);
  quoted += '\'';
  return quoted;
}

class Parser {
 public:
  host::Result<Recording> Parse(std::string_view text) {
    bool headerAllowed = true;
    TextLines lines(text);
    while (std::optional<std::string_view> next = lines.Next()) {
      int lineNumber = lines.number();
      std::string_view line = Trimmed(*next);
      if (line.empty() || line[0] == '#') continue;

      std::vector<std::string_view> fields = Fields(line);
      if (headerAllowed && fields[0].find_first_of("0123456789") == std::string_view::npos) {
        headerAllowed = false;
        continue;
      }
      headerAllowed = false;
      if (std::optional<std::string> problem = Sample(fields)) {
        return host::Error::AtLine(lineNumber, *problem);
      }
    }
    if (m_recording.samples.empty()) return host::Error("the recording holds no samples");
    return std::move(m_recording);
  }

 private:
  // Adds the line's sample; or says what is wrong with it.
  std::optional<std::string> Sample(const std::vector<std::string_view>& fields) {
    if (fields.size() != 4 && fields.size() != 5) {
      return "expected 4 or 5 fields (milliseconds,x,y,z[,label]), found " +
             std::to_string(fields.size());
    }
    std::optional<std::int64_t> time = Number(fields[0]);
    if (!time) return "the time " + Quoted(fields[0]) + " is no whole number of milliseconds";
    if (*time < 0) return "the time " + std::to_string(*time) + " lies before the start (0)";
    if (*time > kMaxRecordedMs) {
      return "the time " + std::to_string(*time) + " lies beyond the longest recording (" +
             std::to_string(kMaxRecordedMs) + " ms)";
    }
    if (!m_recording.samples.empty() && *time <= m_recording.samples.back().atMs) {
      return "the time " + std::to_string(*time) + " does not come after the line before (" +
             std::to_string(m_recording.samples.back().atMs) + ")";
    }
    static constexpr const char* kAxes[] = {"x", "y", "z"};
    std::int16_t values[3];
    for (int axis = 0; axis < 3; ++axis) {
      std::string_view field = fields[axis + 1];
      std::optional<std::int64_t> value = Number(field);
      if (!value) return std::string(kAxes[axis]) + " " + Quoted(field) + " is no number";
      if (*value < -kMaxAccCounts || *value > kMaxAccCounts) {
        return std::string(kAxes[axis]) + " " + std::to_string(*value) + " lies beyond " +
               std::to_string(kMaxAccCounts / kAccCountsPerG) + " g (-" +
               std::to_string(kMaxAccCounts) + ".." + std::to_string(kMaxAccCounts) +
               ", 64 per g)";
      }
      values[axis] = static_cast<std::int16_t>(*value);
    }
    GestureLabel label = GestureLabel::kNone;
    if (fields.size() == 5) {
      std::optional<GestureLabel> named = LabelNamed(fields[4]);
      if (!named) return "the label " + Quoted(fields[4]) + " is neither next nor previous";
      label = *named;
    }
    m_recording.samples.push_back({*time, AccCounts{values[0], values[1], values[2]}, label});
    return std::nullopt;
  }

  // "next", "previous", or empty for none.
  static std::optional<GestureLabel> LabelNamed(std::string_view field) {
    if (field.empty()) return GestureLabel::kNone;
    if (field == "next") return GestureLabel::kNext;
    if (field == "previous") return GestureLabel::kPrevious;
    return std::nullopt;
  }

  Recording m_recording;
};

}  // namespace

AccCounts Recording::At(std::int64_t ms) const {
  // The last sample at or before ms.
  auto after = std::upper_bound(samples.begin(), samples.end(), ms,
                                [](std::int64_t t, const RecordedSample& s) { return t < s.atMs; });
  if (after == samples.begin()) return AccCounts{};
  return std::prev(after)->sample;
}

host::Result<Recording> ParseRecording(std::string_view text) {
  return Parser().Parse(text);
}

host::Result<Recording> LoadRecording(const std::string& path) {
  Result<std::string> text = ReadTextFile(path, kMaxRecordingBytes);
  if (!text) return host::Error("the recording " + text.error().message());
  return ParseRecording(*text);
}

std::optional<std::int64_t> ReplaySensor::Since() const {
  const Clock* clock = m_clock;
  if (clock == nullptr) {
    Handset* handset = Handset::CurrentOrNull();
    if (handset == nullptr) return std::nullopt;
    clock = &handset->clock();
  }
  return clock->NowMs() - m_startMs;
}

AccCounts ReplaySensor::Sample() const {
  std::optional<std::int64_t> since = Since();
  if (!since || *since < 0) return AccCounts{};
  return m_recording.At(*since % m_recording.LengthMs());
}

bool ReplaySensor::SetMotionMode(MotionMode mode) {
  m_stream.set_mode(mode);
  m_fedMs.reset();
  return true;
}

void ReplaySensor::Restart(std::int64_t fromMs) {
  const std::int64_t length = m_recording.LengthMs();
  m_stream.Clear();
  // The sample held then, as the latest one before what follows.
  m_stream.Add(fromMs, m_recording.At(fromMs % length));
  m_round = fromMs / length;
  const std::vector<RecordedSample>& rows = m_recording.samples;
  m_row = static_cast<std::size_t>(
      std::upper_bound(rows.begin(), rows.end(), fromMs - m_round * length,
                       [](std::int64_t t, const RecordedSample& s) { return t < s.atMs; }) -
      rows.begin());
  m_roundStarted = true;  // the round's start lies at or before fromMs
  m_fedMs = fromMs;
}

void ReplaySensor::FeedUntil(std::int64_t since) {
  if (!m_fedMs || since < *m_fedMs || since - *m_fedMs > kReplayCatchUpMs) {
    // From the start, or from a while before since: the stage's memory is shorter.
    std::int64_t from = std::max<std::int64_t>(since - kReplayWarmUpMs, 0);
    if (from == 0) {
      m_stream.Clear();
      m_round = 0;
      m_row = 0;
      m_roundStarted = false;
      m_fedMs = 0;
    } else {
      Restart(from);
    }
  }
  const std::int64_t length = m_recording.LengthMs();
  const std::vector<RecordedSample>& rows = m_recording.samples;
  for (;;) {
    const std::int64_t base = m_round * length;
    if (base > since) break;
    if (!m_roundStarted) {
      // Each round starts at rest unless its first line says otherwise.
      if (rows.front().atMs > 0) m_stream.Add(base, AccCounts{});
      m_roundStarted = true;
    }
    while (m_row < rows.size() && base + rows[m_row].atMs <= since) {
      m_stream.Add(base + rows[m_row].atMs, rows[m_row].sample);
      ++m_row;
    }
    if (m_row < rows.size()) break;
    ++m_round;
    m_row = 0;
    m_roundStarted = false;
  }
  m_fedMs = since;
}

AccCounts ReplaySensor::Peak(AccTap tap) {
  std::optional<std::int64_t> since = Since();
  if (!since || *since < 0) return AccCounts{};
  FeedUntil(*since);
  return m_stream.Read(*since, tap).value_or(AccCounts{});
}

}  // namespace host::sensors
