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
  std::variant<Recording, RecordingError> Parse(std::string_view text) {
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
        return RecordingError{lineNumber, *problem};
      }
    }
    if (m_recording.samples.empty()) return RecordingError{0, "the recording holds no samples"};
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
    std::int8_t values[3];
    for (int axis = 0; axis < 3; ++axis) {
      std::string_view field = fields[axis + 1];
      std::optional<std::int64_t> value = Number(field);
      if (!value) return std::string(kAxes[axis]) + " " + Quoted(field) + " is no number";
      if (*value < -128 || *value > 127) {
        return std::string(kAxes[axis]) + " " + std::to_string(*value) +
               " lies outside -128..127";
      }
      values[axis] = static_cast<std::int8_t>(*value);
    }
    GestureLabel label = GestureLabel::kNone;
    if (fields.size() == 5) {
      std::optional<GestureLabel> named = LabelNamed(fields[4]);
      if (!named) return "the label " + Quoted(fields[4]) + " is neither next nor previous";
      label = *named;
    }
    m_recording.samples.push_back({*time, AccSample{values[0], values[1], values[2]}, label});
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

AccSample Recording::At(std::int64_t ms) const {
  // The last sample at or before ms.
  auto after = std::upper_bound(samples.begin(), samples.end(), ms,
                                [](std::int64_t t, const RecordedSample& s) { return t < s.atMs; });
  if (after == samples.begin()) return AccSample{};
  return std::prev(after)->sample;
}

std::variant<Recording, RecordingError> ParseRecording(std::string_view text) {
  return Parser().Parse(text);
}

std::variant<Recording, RecordingError> LoadRecording(const std::string& path) {
  Result<std::string> text = ReadTextFile(path, kMaxRecordingBytes);
  if (!text) return RecordingError{0, "the recording " + text.error().message()};
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

AccSample ReplaySensor::Sample() const {
  std::optional<std::int64_t> since = Since();
  if (!since || *since < 0) return AccSample{};
  return m_recording.At(*since % m_recording.LengthMs());
}

AccSample ReplaySensor::Peak() const {
  std::optional<std::int64_t> since = Since();
  if (!since || *since < 0) return AccSample{};
  const std::int64_t length = m_recording.LengthMs();
  const std::int64_t from = *since - kPeakSpanMs;  // the window is (from, since]
  PeakWindow window;
  // The sample held, as the latest one before the window: it counts when no line falls in.
  window.Add(from, Sample());
  const std::vector<RecordedSample>& rows = m_recording.samples;
  // Each round starts at rest unless its first line says otherwise.
  for (std::int64_t round = std::max<std::int64_t>(from, 0) / length; round <= *since / length;
       ++round) {
    std::int64_t base = round * length;
    if (base > from && rows.front().atMs > 0) window.Add(base, AccSample{});
    auto first = std::upper_bound(rows.begin(), rows.end(), from - base,
                                  [](std::int64_t t, const RecordedSample& s) { return t < s.atMs; });
    for (auto row = first; row != rows.end() && base + row->atMs <= *since; ++row) {
      window.Add(base + row->atMs, row->sample);
    }
  }
  return window.Peak(*since).value_or(AccSample{});
}

}  // namespace host::sensors
