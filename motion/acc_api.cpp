#include "motion/acc_api.h"

namespace {

// Valid exactly while g_openCount is at least 1.
HANDLE g_device = INVALID_HANDLE_VALUE;
int g_openCount = 0;
// The "AccMessage" number handed to the driver in this open period; 0 while none was.
UINT g_messageId = 0;

}  // namespace

int AccApiOpen() {
  if (g_openCount == 0) {
    g_device = CreateFileW(u"ACC0:", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (g_device == INVALID_HANDLE_VALUE) {
      NKDbgPrintfW(u"[Acc Api] Open ACC0 failed err %d..........\n",
                   static_cast<int>(GetLastError()));
      return 0;
    }
  }
  // A registration that gave 0 is tried again by the next open.
  if (g_messageId == 0) {
    g_messageId = RegisterWindowMessageW(u"AccMessage");
    DWORD id = g_messageId;
    DeviceIoControl(g_device, IOCTL_ACC_SET_MESSAGE, &id, sizeof(id), nullptr, 0, nullptr,
                    nullptr);
  }
  ++g_openCount;
  return 1;
}

void AccApiClose() {
  if (g_device == INVALID_HANDLE_VALUE) {
    NKDbgPrintfW(u"[Acc Api] Open ACC0 failed err %d..........\n",
                 static_cast<int>(GetLastError()));
    return;
  }
  --g_openCount;
  if (g_openCount > 0) return;
  NKDbgPrintfW(u"[Acc Api] Close ACC0..........\n");
  g_openCount = 0;
  CloseHandle(g_device);
  g_device = INVALID_HANDLE_VALUE;
  g_messageId = 0;
}

int AccApiReadXYZ(std::int8_t* x, std::int8_t* y, std::int8_t* z) {
  if (g_device == INVALID_HANDLE_VALUE) {
    NKDbgPrintfW(u"[Acc Api] ACC0 not opened..........\n");
    return 0;
  }
  std::int8_t sample[3] = {0, 0, 0};
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(g_device, IOCTL_ACC_READ_XYZ, nullptr, 0, sample, sizeof(sample),
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

void AccApiResetForNewProcess() {
  g_device = INVALID_HANDLE_VALUE;
  g_openCount = 0;
  g_messageId = 0;
}
