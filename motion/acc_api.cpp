#include "motion/acc_api.h"

#include "platform/process_local.h"

namespace {

// The layer's state, once per process.
struct AccApiState {
  // Valid exactly while openCount is at least 1.
  HANDLE device = INVALID_HANDLE_VALUE;
  int openCount = 0;
  // The "AccMessage" number handed to the driver in this open period; 0 while none was.
  UINT messageId = 0;
};

AccApiState& State() { return ProcessLocal<AccApiState>(); }

}  // namespace

int AccApiOpen() {
  AccApiState& state = State();
  if (state.openCount == 0) {
    state.device = CreateFileW(u"ACC0:", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
    if (state.device == INVALID_HANDLE_VALUE) {
      NKDbgPrintfW(u"[Acc Api] Open ACC0 failed err %d..........\n",
                   static_cast<int>(GetLastError()));
      return 0;
    }
  }
  // A registration that gave 0 is tried again by the next open.
  if (state.messageId == 0) {
    state.messageId = RegisterWindowMessageW(u"AccMessage");
    DWORD id = state.messageId;
    DeviceIoControl(state.device, IOCTL_ACC_SET_MESSAGE, &id, sizeof(id), nullptr, 0,
                    nullptr, nullptr);
  }
  ++state.openCount;
  return 1;
}

void AccApiClose() {
  AccApiState& state = State();
  if (state.device == INVALID_HANDLE_VALUE) {
    NKDbgPrintfW(u"[Acc Api] Open ACC0 failed err %d..........\n",
                 static_cast<int>(GetLastError()));
    return;
  }
  --state.openCount;
  if (state.openCount > 0) return;
  NKDbgPrintfW(u"[Acc Api] Close ACC0..........\n");
  state.openCount = 0;
  CloseHandle(state.device);
  state.device = INVALID_HANDLE_VALUE;
  state.messageId = 0;
}

int AccApiReadXYZ(std::int8_t* x, std::int8_t* y, std::int8_t* z) {
  AccApiState& state = State();
  if (state.device == INVALID_HANDLE_VALUE) {
    NKDbgPrintfW(u"[Acc Api] ACC0 not opened..........\n");
    return 0;
  }
  std::int8_t sample[3] = {0, 0, 0};
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(state.device, IOCTL_ACC_READ_XYZ, nullptr, 0, sample, sizeof(sample),
                            &returned, nullptr);
  if (ok) {
    *x = sample[0];
    *y = sample[1];
    *z = sample[2];
  } else {
    *x = 0;
    *y = 0;
    *z = 0;
  }
  return ok;
}
