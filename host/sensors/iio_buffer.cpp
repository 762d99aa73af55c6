#include "host/sensors/iio_buffer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <tuple>

#include "host/sensors/iio_device.h"

namespace host::sensors {
namespace {

constexpr double kWantedHz = 100;
constexpr double kQueuedSeconds = 4;  // more than the application's two deaf seconds
constexpr std::size_t kMinimumLength = 64;
constexpr const char* kAxisChannels[] = {"in_accel_x", "in_accel_y", "in_accel_z"};
constexpr const char* kTimestampChannel = "in_timestamp";

// The undo ranks: the buffer first, then the channels, the trigger, the frequency, the length.
enum Rank { kBufferRank, kChannelRank, kTriggerRank, kFrequencyRank, kLengthRank };

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Writes text to the attribute path: opened without blocking, a regular file only (truncated:
// sysfs ignores that, a file of umockdev needs it).
Status WriteAttribute(const std::string& path, const std::string& text) {
  int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Error::FromErrno("cannot write " + path, errno);
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return Error("cannot write " + path + ": not a regular file");
  }
  ssize_t written;
  do {
    written = write(fd, text.data(), text.size());
  } while (written < 0 && errno == EINTR);
  int error = errno;
  close(fd);
  if (written < 0) return Error::FromErrno("cannot write " + text + " to " + path, error);
  if (static_cast<std::size_t>(written) != text.size()) {
    return Error("cannot write " + text + " to " + path + ": cut short");
  }
  return Ok();
}

// The attribute's text; an error when it is missing or cannot be read.
Result<std::string> Required(const std::string& sysPath, const std::string& attribute) {
  auto text = ReadIioAttribute(sysPath, attribute);
  if (!text) return text.error();
  if (!*text) return Error("there is no " + attribute);
  return std::move(**text);
}

std::optional<double> FiniteNumber(std::string_view text) {
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// The value of sampling_frequency_available nearest to 100 Hz from above, else its highest;
// its text as the kernel wrote it. The list is "1.56 6.25 12.5 50 100 200" or a range
// "[low step high]".
std::optional<std::string> ChosenFrequency(std::string_view available) {
  std::vector<std::string_view> words;
  bool range = !available.empty() && available.front() == '[' && available.back() == ']';
  if (range) available = available.substr(1, available.size() - 2);
  for (std::size_t start = 0; start < available.size();) {
    std::size_t end = available.find_first_of(" \t\n", start);
    if (end == std::string_view::npos) end = available.size();
    if (end > start) words.push_back(available.substr(start, end - start));
    start = end + 1;
  }
  if (range) {
    std::optional<double> low = words.size() == 3 ? FiniteNumber(words[0]) : std::nullopt;
    std::optional<double> step = words.size() == 3 ? FiniteNumber(words[1]) : std::nullopt;
    std::optional<double> high = words.size() == 3 ? FiniteNumber(words[2]) : std::nullopt;
    if (!low || !step || !high || *step <= 0 || *high < *low) return std::nullopt;
    double steps = std::ceil(std::max(0.0, kWantedHz - *low) / *step);
    double value = std::min(*high, *low + steps * *step);
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return std::string(text);
  }
  std::optional<std::string_view> above, highest;
  double aboveValue = 0, highestValue = 0;
  for (std::string_view word : words) {
    std::optional<double> value = FiniteNumber(word);
    if (!value) return std::nullopt;
    if (*value >= kWantedHz && (!above || *value < aboveValue)) above = word, aboveValue = *value;
    if (!highest || *value > highestValue) highest = word, highestValue = *value;
  }
  if (above) return std::string(*above);
  if (highest) return std::string(*highest);
  return std::nullopt;
}

// The names of the kernel's triggers (/sys/bus/iio/devices/trigger*/name).
std::vector<std::string> TriggerNames() {
  std::vector<std::string> names;
  const std::string devices = "/sys/bus/iio/devices";
  DIR* folder = opendir(devices.c_str());
  if (folder == nullptr) return names;
  while (dirent* entry = readdir(folder)) {
    if (std::strncmp(entry->d_name, "trigger", 7) != 0) continue;
    auto name = ReadIioAttribute(devices + "/" + entry->d_name, "name");
    if (name && *name) names.push_back(**name);
  }
  closedir(folder);
  return names;
}

// A channel listed in scan_elements/: its *_en, *_index and the text of its *_type.
struct Listed {
  std::string name;
  bool enabled = false;
  int index = 0;
  std::string type;
};

// Every channel of scan_elements/, in no order.
Result<std::vector<Listed>> ListChannels(const std::string& sysPath) {
  std::string folderPath = sysPath + "/scan_elements";
  DIR* folder = opendir(folderPath.c_str());
  if (folder == nullptr) return Error::FromErrno("cannot list " + folderPath, errno);
  std::vector<std::string> names;
  while (dirent* entry = readdir(folder)) {
    std::string_view file = entry->d_name;
    if (file.size() > 3 && file.substr(file.size() - 3) == "_en") {
      names.emplace_back(file.substr(0, file.size() - 3));
    }
  }
  closedir(folder);
  std::vector<Listed> channels;
  for (const std::string& name : names) {
    Listed channel;
    channel.name = name;
    Result<std::string> enabled = Required(sysPath, "scan_elements/" + name + "_en");
    if (!enabled) return enabled.error();
    channel.enabled = *enabled == "1";
    Result<std::string> index = Required(sysPath, "scan_elements/" + name + "_index");
    if (!index) return index.error();
    const char* last = index->data() + index->size();
    auto [end, error] = std::from_chars(index->data(), last, channel.index);
    if (error != std::errc() || end != last || channel.index < 0) {
      return Error("scan_elements/" + name + "_index \"" + *index + "\" is not an index");
    }
    // An accelerometer's axes may share one type: in_accel_type.
    auto type = ReadIioAttribute(folderPath, name + "_type");
    if (type && !*type && name.rfind("in_accel_", 0) == 0) {
      type = ReadIioAttribute(folderPath, "in_accel_type");
    }
    if (!type) return type.error();
    channel.type = type->value_or("");
    channels.push_back(std::move(channel));
  }
  return channels;
}

// No two channels with one index, and no index missing between them.
Status CheckIndexes(std::vector<Listed> channels) {
  std::sort(channels.begin(), channels.end(),
            [](const Listed& a, const Listed& b) {
              return std::tie(a.index, a.name) < std::tie(b.index, b.name);
            });
  for (std::size_t i = 1; i < channels.size(); ++i) {
    const Listed& before = channels[i - 1];
    const Listed& after = channels[i];
    if (after.index == before.index) {
      return Error("scan_elements/ gives " + before.name + " and " + after.name + " the index " +
                   std::to_string(after.index));
    }
    if (after.index != before.index + 1) {
      return Error("scan_elements/ has an index gap: no channel of index " +
                   std::to_string(before.index + 1));
    }
  }
  return Ok();
}

}  // namespace

bool IioBuffer::Offered(const std::string& sysPath) {
  for (const char* axis : kAxisChannels) {
    if (!FileExists(sysPath + "/scan_elements/" + axis + "_en")) return false;
  }
  return FileExists(sysPath + "/buffer/enable");
}

Status IioBuffer::Change(const std::string& sysPath, const std::string& attribute,
                         const std::string& value, int rank) {
  auto before = ReadIioAttribute(sysPath, attribute);
  if (!before) return before.error();
  if (*before && **before == value) return Ok();
  std::string path = sysPath + "/" + attribute;
  if (Status written = WriteAttribute(path, value); !written) return written;
  m_undo.push_back(Undo{rank, path, before->value_or("")});
  return Ok();
}

Result<std::unique_ptr<IioBuffer>> IioBuffer::Open(const std::string& sysPath,
                                                   const std::string& sysName,
                                                   const std::string& name) {
  Result<std::vector<Listed>> listed = ListChannels(sysPath);
  if (!listed) return listed.error();
  if (Status indexes = CheckIndexes(*listed); !indexes) return indexes.error();
  Result<std::string> enabled = Required(sysPath, "buffer/enable");
  if (!enabled) return enabled.error();
  if (*enabled == "1") return Error("another program holds the buffer (buffer/enable is 1)", EBUSY);

  // Ours, and whatever else someone left enabled: every one of them is in the scan.
  std::vector<IioScanChannel> scanned;
  for (Listed& channel : *listed) {
    bool ours = channel.name == kTimestampChannel ||
                std::find(std::begin(kAxisChannels), std::end(kAxisChannels), channel.name) !=
                    std::end(kAxisChannels);
    if (!ours && !channel.enabled) continue;
    Result<IioScanType> type = ParseScanType(channel.type);
    if (!type) {
      return Error("scan_elements/" + channel.name + "_type \"" + channel.type +
                   "\" cannot be used: " + type.error().message());
    }
    IioScanChannel scan;
    scan.name = channel.name;
    scan.index = channel.index;
    scan.type = *type;
    scanned.push_back(std::move(scan));
  }
  Result<IioScanLayout> layout = LayOutScan(std::move(scanned));
  if (!layout) return Error("scan_elements/: " + layout.error().message());

  std::unique_ptr<IioBuffer> buffer(new IioBuffer());
  buffer->m_node = "/dev/" + sysName;
  buffer->m_fd = open(buffer->m_node.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (buffer->m_fd < 0) return Error::FromErrno("cannot open " + buffer->m_node, errno);
  buffer->m_layout = std::move(*layout);
  for (int axis = 0; axis < 3; ++axis) {
    buffer->m_axes[axis] = buffer->m_layout.Find(kAxisChannels[axis]);
  }
  buffer->m_timestamp = buffer->m_layout.Find(kTimestampChannel);

  // From here on, every change is undone when the buffer is closed (or this fails).
  for (const IioScanChannel& channel : buffer->m_layout.channels) {
    std::string attribute = "scan_elements/" + channel.name + "_en";
    Status changed = buffer->Change(sysPath, attribute, "1", kChannelRank);
    if (!changed) return changed.error();
  }
  if (FileExists(sysPath + "/trigger/current_trigger")) {
    Result<std::string> current = Required(sysPath, "trigger/current_trigger");
    if (!current) return current.error();
    buffer->m_trigger = *current;
    if (buffer->m_trigger.empty()) {
      std::string number = sysName.substr(sysName.find_last_not_of("0123456789") + 1);
      std::vector<std::string> triggers = TriggerNames();
      for (const std::string& wanted : {name + "-dev" + number, name + "-trigger"}) {
        if (std::find(triggers.begin(), triggers.end(), wanted) == triggers.end()) continue;
        Status changed = buffer->Change(sysPath, "trigger/current_trigger", wanted, kTriggerRank);
        if (!changed) return changed.error();
        buffer->m_trigger = wanted;
        break;
      }
    }
  }
  auto available = ReadIioAttribute(sysPath, "sampling_frequency_available");
  std::optional<std::string> frequency;
  if (available && *available) frequency = ChosenFrequency(**available);
  if (frequency) {
    Status changed = buffer->Change(sysPath, "sampling_frequency", *frequency, kFrequencyRank);
    if (!changed) return changed.error();
  } else if (auto current = ReadIioAttribute(sysPath, "sampling_frequency"); current && *current) {
    frequency = **current;
  }
  if (frequency) buffer->m_frequencyHz = FiniteNumber(*frequency).value_or(0);

  double rate = buffer->m_frequencyHz > 0 ? buffer->m_frequencyHz : kWantedHz;
  auto length =
      std::max(kMinimumLength, static_cast<std::size_t>(std::ceil(rate * kQueuedSeconds)));
  Status changed = buffer->Change(sysPath, "buffer/length", std::to_string(length), kLengthRank);
  if (changed) changed = buffer->Change(sysPath, "buffer/enable", "1", kBufferRank);
  if (!changed) return changed.error();
  buffer->m_bytes.resize(buffer->m_layout.bytes * kMinimumLength);
  buffer->m_length = length;
  buffer->m_scans.reserve(length);
  return buffer;
}

IioBuffer::~IioBuffer() {
  Restore();
  if (m_fd >= 0) close(m_fd);
}

void IioBuffer::Restore() {
  std::stable_sort(m_undo.begin(), m_undo.end(),
                   [](const Undo& a, const Undo& b) { return a.rank < b.rank; });
  for (const Undo& undo : m_undo) (void)WriteAttribute(undo.path, undo.value);
  m_undo.clear();
}

IioScan IioBuffer::Decode(const std::uint8_t* scan) const {
  IioScan decoded;
  for (int axis = 0; axis < 3; ++axis) {
    decoded.raw[axis] = static_cast<long>(ScanValue(*m_axes[axis], scan));
  }
  if (m_timestamp != nullptr) decoded.timestampNs = ScanValue(*m_timestamp, scan);
  return decoded;
}

Result<std::span<const IioScan>> IioBuffer::Drain(std::int64_t nowMs) {
  m_scans.clear();
  const std::size_t size = m_layout.bytes;
  for (;;) {
    ssize_t length = read(m_fd, m_bytes.data() + m_pending, m_bytes.size() - m_pending);
    if (length < 0 && errno == EINTR) continue;
    if (length < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (length < 0) return Error::FromErrno("cannot read " + m_node, errno);
    if (length == 0) return Error("cannot read " + m_node + ": it has ended");
    m_pending += static_cast<std::size_t>(length);
    std::size_t whole = m_pending / size;
    for (std::size_t i = 0; i < whole; ++i) {
      m_scans.push_back(Decode(m_bytes.data() + i * size));
      // As many as the kernel queues: it was full and dropped the newest, so these are old.
      if (m_scans.size() == m_length) m_scans.clear();
    }
    m_pending -= whole * size;
    std::memmove(m_bytes.data(), m_bytes.data() + whole * size, m_pending);
  }
  if (m_scans.empty()) return std::span<const IioScan>();
  const std::int64_t newestNs = m_scans.back().timestampNs;
  const double periodMs = 1000 / (m_frequencyHz > 0 ? m_frequencyHz : kWantedHz);
  for (std::size_t i = 0; i < m_scans.size(); ++i) {
    double agoMs = m_timestamp != nullptr
                       ? static_cast<double>(newestNs - m_scans[i].timestampNs) / 1e6
                       : static_cast<double>(m_scans.size() - 1 - i) * periodMs;
    m_scans[i].atMs = nowMs - std::llround(std::max(0.0, agoMs));
  }
  return std::span<const IioScan>(m_scans);
}

std::string IioBuffer::Describe() const {
  char rate[32] = "its own rate";
  if (m_frequencyHz > 0) std::snprintf(rate, sizeof rate, "%g Hz", m_frequencyHz);
  return std::string(rate) + ", " + (m_trigger.empty() ? "no trigger" : "trigger " + m_trigger);
}

}  // namespace host::sensors
