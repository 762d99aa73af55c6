// The scan format of IIO buffers: channel types, the layout of a scan, and the values decoded.
#include "host/sensors/iio_scan_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/text_cases.h"

namespace host::sensors {
namespace {

// "le s12/16 X1 >>4", or "error: MESSAGE".
std::string Parsed(std::string_view text) {
  Result<IioScanType> type = ParseScanType(text);
  if (!type) return "error: " + type.error().message();
  return std::string(type->bigEndian ? "be " : "le ") + (type->isSigned ? "s" : "u") +
         std::to_string(type->bits) + "/" + std::to_string(type->storageBits) + " X" +
         std::to_string(type->repeat) + " >>" + std::to_string(type->shift);
}

TEST(IioScanFormat, ParsesChannelTypes) {
  const test_support::TextCase cases[] = {
      {"le:s12/16>>4", "le s12/16 X1 >>4"},
      {"be:s12/16>>4\n", "be s12/16 X1 >>4"},
      {"le:u16/16>>0", "le u16/16 X1 >>0"},
      {"le:s64/64>>0", "le s64/64 X1 >>0"},
      {"be:u10/16X3>>6", "be u10/16 X3 >>6"},
      {"le:s8/8>>0", "le s8/8 X1 >>0"},
      {"", "error: not of the form [be|le]:[s|u]BITS/STORAGE>>SHIFT"},
      {"me:s12/16>>4", "error: not of the form [be|le]:[s|u]BITS/STORAGE>>SHIFT"},
      {"le:f32/32>>0", "error: not of the form [be|le]:[s|u]BITS/STORAGE>>SHIFT"},
      {"le:s12/16", "error: not of the form [be|le]:[s|u]BITS/STORAGE>>SHIFT"},
      {"le:s12/16>>4 junk", "error: not of the form [be|le]:[s|u]BITS/STORAGE>>SHIFT"},
      {"le:s-12/16>>4", "error: not of the form [be|le]:[s|u]BITS/STORAGE>>SHIFT"},
      {"le:s0/0>>0", "error: a storage size of 0 bits"},
      {"le:s12/24>>0", "error: a storage size of 24 bits"},
      {"le:s12/8>>0", "error: 12 bits shifted by 0 do not fit in 8"},
      {"le:s12/16>>6", "error: 12 bits shifted by 6 do not fit in 16"},
      {"le:s0/16>>0", "error: 0 bits shifted by 0 do not fit in 16"},
      {"le:s12/16X0>>4", "error: a repeat of 0"},
  };
  test_support::ExpectTexts(cases, Parsed);
}

IioScanChannel Channel(const char* name, int index, const char* type) {
  IioScanChannel channel;
  channel.name = name;
  channel.index = index;
  channel.type = *ParseScanType(type);
  return channel;
}

// "name@offset ... = bytes", or "error: MESSAGE".
std::string Layout(std::vector<IioScanChannel> channels) {
  Result<IioScanLayout> layout = LayOutScan(std::move(channels));
  if (!layout) return "error: " + layout.error().message();
  std::string text;
  for (const IioScanChannel& channel : layout->channels) {
    text += channel.name + "@" + std::to_string(channel.offset) + " ";
  }
  return text + "= " + std::to_string(layout->bytes);
}

TEST(IioScanFormat, AlignsEachChannelToItsStorageSize) {
  const char* s16 = "le:s16/16>>0";
  const char* ts = "le:s64/64>>0";
  EXPECT_EQ("x@0 y@2 z@4 = 6", Layout({Channel("z", 2, s16), Channel("x", 0, s16),
                                       Channel("y", 1, s16)}));
  EXPECT_EQ("x@0 y@2 z@4 t@8 = 16", Layout({Channel("x", 0, s16), Channel("y", 1, s16),
                                            Channel("z", 2, s16), Channel("t", 3, ts)}));
  EXPECT_EQ("x@0 y@4 z@8 t@16 = 24",
            Layout({Channel("x", 0, "le:s32/32>>0"), Channel("y", 1, "le:s32/32>>0"),
                    Channel("z", 2, "le:s32/32>>0"), Channel("t", 3, ts)}));
  EXPECT_EQ("a@0 x@2 = 4", Layout({Channel("a", 0, "le:u8/8>>0"), Channel("x", 1, s16)}));
  EXPECT_EQ("x@0 a@2 = 4", Layout({Channel("x", 0, s16), Channel("a", 1, "le:u8/8>>0")}));
  EXPECT_EQ("v@0 t@8 = 16", Layout({Channel("v", 0, "le:u16/16X3>>0"), Channel("t", 1, ts)}));
  EXPECT_EQ("error: x and y have the index 0",
            Layout({Channel("x", 0, s16), Channel("y", 0, s16)}));
  EXPECT_EQ("error: no channel is enabled", Layout({}));
}

TEST(IioScanFormat, DecodesByteOrderShiftAndSign) {
  struct Case {
    const char* type;
    std::vector<std::uint8_t> bytes;
    std::int64_t value;
  };
  const Case cases[] = {
      {"le:s16/16>>0", {0x00, 0x04}, 1024},
      {"be:s16/16>>0", {0x04, 0x00}, 1024},
      {"le:s16/16>>0", {0x00, 0xFC}, -1024},
      {"le:u16/16>>0", {0x00, 0xFC}, 0xFC00},
      {"le:s12/16>>4", {0x00, 0x40}, 1024},      // 0x4000 >> 4
      {"be:s12/16>>4", {0x40, 0x00}, 1024},
      {"be:s12/16>>4", {0xC0, 0x00}, -1024},     // 0xC00 in 12 bits
      {"be:s12/16>>4", {0x7F, 0xFF}, 2047},      // the low 4 bits are not the value's
      {"le:s12/16>>0", {0xFF, 0x7F}, -1},        // the high 4 bits are not the value's
      {"le:u12/16>>0", {0xFF, 0xFF}, 4095},
      {"le:s8/8>>0", {0x80}, -128},
      {"be:s32/32>>0", {0xFF, 0xFF, 0xFF, 0xFE}, -2},
      {"le:s64/64>>0", {0x00, 0xCA, 0x9A, 0x3B, 0x00, 0x00, 0x00, 0x00}, 1000000000},
      {"le:s64/64>>0", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, -1},
  };
  for (const Case& c : cases) {
    IioScanChannel channel = Channel("x", 0, c.type);
    std::vector<std::uint8_t> scan(2, 0xAA);  // a channel at offset 2
    scan.insert(scan.end(), c.bytes.begin(), c.bytes.end());
    channel.offset = 2;
    EXPECT_EQ(c.value, ScanValue(channel, scan.data())) << c.type << " " << c.value;
  }
}

}  // namespace
}  // namespace host::sensors
