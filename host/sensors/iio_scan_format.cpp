#include "host/sensors/iio_scan_format.h"

#include <algorithm>
#include <charconv>

#include "host/crt/text_lines.h"

namespace host::sensors {
namespace {

// Takes a decimal number off the front of text.
bool TakeNumber(std::string_view& text, int& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || value < 0) return false;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return true;
}

bool TakePrefix(std::string_view& text, std::string_view prefix) {
  if (text.substr(0, prefix.size()) != prefix) return false;
  text.remove_prefix(prefix.size());
  return true;
}

}  // namespace

Result<IioScanType> ParseScanType(std::string_view text) {
  text = Trimmed(text);
  IioScanType type;
  std::string_view rest = text;
  bool endian = TakePrefix(rest, "le:") || (type.bigEndian = TakePrefix(rest, "be:"));
  bool sign = endian && (TakePrefix(rest, "u") || (type.isSigned = TakePrefix(rest, "s")));
  bool sizes = sign && TakeNumber(rest, type.bits) && TakePrefix(rest, "/") &&
               TakeNumber(rest, type.storageBits);
  bool repeat = sizes && (!TakePrefix(rest, "X") || TakeNumber(rest, type.repeat));
  bool shift = repeat && TakePrefix(rest, ">>") && TakeNumber(rest, type.shift) && rest.empty();
  if (!shift) return Error("not of the form [be|le]:[s|u]BITS/STORAGE>>SHIFT");
  int storage = type.storageBits;
  if (storage != 8 && storage != 16 && storage != 32 && storage != 64) {
    return Error("a storage size of " + std::to_string(storage) + " bits");
  }
  if (type.bits == 0 || type.bits + type.shift > storage) {
    return Error(std::to_string(type.bits) + " bits shifted by " + std::to_string(type.shift) +
                 " do not fit in " + std::to_string(storage));
  }
  if (type.repeat == 0) return Error("a repeat of 0");
  return type;
}

const IioScanChannel* IioScanLayout::Find(std::string_view name) const {
  for (const IioScanChannel& channel : channels) {
    if (channel.name == name) return &channel;
  }
  return nullptr;
}

Result<IioScanLayout> LayOutScan(std::vector<IioScanChannel> enabled) {
  if (enabled.empty()) return Error("no channel is enabled");
  std::sort(enabled.begin(), enabled.end(),
            [](const IioScanChannel& a, const IioScanChannel& b) { return a.index < b.index; });
  IioScanLayout layout;
  std::size_t largest = 1;
  for (std::size_t i = 0; i < enabled.size(); ++i) {
    if (i > 0 && enabled[i].index == enabled[i - 1].index) {
      return Error(enabled[i - 1].name + " and " + enabled[i].name + " have the index " +
                   std::to_string(enabled[i].index));
    }
    std::size_t size = enabled[i].type.StorageBytes();
    layout.bytes = (layout.bytes + size - 1) / size * size;
    enabled[i].offset = layout.bytes;
    layout.bytes += size;
    largest = std::max(largest, size);
  }
  layout.bytes = (layout.bytes + largest - 1) / largest * largest;
  layout.channels = std::move(enabled);
  return layout;
}

std::int64_t ScanValue(const IioScanChannel& channel, const std::uint8_t* scan) {
  const IioScanType& type = channel.type;
  const std::uint8_t* bytes = scan + channel.offset;
  int count = type.storageBits / 8;
  std::uint64_t word = 0;
  for (int i = 0; i < count; ++i) {
    word = (word << 8) | bytes[type.bigEndian ? i : count - 1 - i];
  }
  word >>= type.shift;
  if (type.bits < 64) {
    std::uint64_t mask = (std::uint64_t{1} << type.bits) - 1;
    word &= mask;
    if (type.isSigned && (word >> (type.bits - 1)) != 0) word |= ~mask;
  }
  return static_cast<std::int64_t>(word);
}

}  // namespace host::sensors
