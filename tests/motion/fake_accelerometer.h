// An accelerometer driver for tests: answers the two control codes of the access layer, hands
// out the sample it is given and logs every call as a short string.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/kernel/handset.h"
#include "motion/acc_api.h"

class FakeAccelerometer final : public host::DeviceDriver {
 public:
  // What Open reports; ERROR_SUCCESS lets it open.
  DWORD openError = ERROR_SUCCESS;
  // Reads fail while set.
  bool rejectReads = false;
  std::uint8_t sample[3] = {0, 0, 0};
  // "open", "close", "message <id> in=<size> out=<size>", "read in=<size> out=<size>".
  std::vector<std::string> calls;

  void SetSample(std::uint8_t x, std::uint8_t y, std::uint8_t z) {
    sample[0] = x;
    sample[1] = y;
    sample[2] = z;
  }

  DWORD Open(DWORD access, DWORD share) override {
    calls.push_back(access == (GENERIC_READ | GENERIC_WRITE) &&
                            share == (FILE_SHARE_READ | FILE_SHARE_WRITE)
                        ? "open"
                        : "open with other access");
    return openError;
  }

  BOOL IoControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override {
    char line[96];
    if (code == IOCTL_ACC_SET_MESSAGE) {
      std::uint32_t id = 0;
      if (in != nullptr && inSize == sizeof(id)) std::memcpy(&id, in, sizeof(id));
      std::snprintf(line, sizeof(line), "message %u in=%u out=%u%s", static_cast<unsigned>(id),
                    static_cast<unsigned>(inSize), static_cast<unsigned>(outSize),
                    out == nullptr ? "" : " with buffer");
      calls.push_back(line);
      return TRUE;
    }
    if (code == IOCTL_ACC_READ_XYZ) {
      std::snprintf(line, sizeof(line), "read in=%u out=%u%s", static_cast<unsigned>(inSize),
                    static_cast<unsigned>(outSize), in == nullptr ? "" : " with input");
      calls.push_back(line);
      if (rejectReads || out == nullptr || outSize < sizeof(sample)) return FALSE;
      std::memcpy(out, sample, sizeof(sample));
      *returned = sizeof(sample);
      return TRUE;
    }
    calls.push_back("unknown code");
    return FALSE;
  }

  void Close() override { calls.push_back("close"); }
};
