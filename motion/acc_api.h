// Access to the handset's accelerometer, the driver behind the device name "ACC0:".
//
// One device handle is shared by the whole process with a reference count: every AccApiOpen
// that returns 1 takes a reference, every AccApiClose gives one back, and the last one closes
// the device. On the first open of an open period the window message "AccMessage" is
// registered and its number handed to the driver (nothing here waits for that message).
// Diagnostics go to the debug output only; the user never sees them.
//
// The state (handle, count, message number) is the calling process's: a new process starts
// closed, with no reference and no message handed over. All calls come from the
// user-interface thread; the state has no lock.
#pragma once

#include <cstdint>

#include "platform/windows.h"

// Device type 4, METHOD_BUFFERED, FILE_ANY_ACCESS; functions 8 and 3.
constexpr DWORD IOCTL_ACC_SET_MESSAGE = 0x40020;
constexpr DWORD IOCTL_ACC_READ_XYZ = 0x4000C;

// Takes one further reference, opening the device first when no reference is held.
// Returns 1 when the device is open, 0 when it cannot be opened (the count is left as it was).
int AccApiOpen();

// Gives back one reference; the last one closes the device. On a device that is not open it
// only reports to the debug output.
void AccApiClose();

// Reads one sample: three signed bytes x, y, z as the driver delivers them.
// Returns non-zero on success. On a device that is not open returns 0 and leaves the three
// outputs untouched; when the driver rejects the read returns 0 and sets all three to 0.
// REQUIRES: x, y and z point to writable bytes.
int AccApiReadXYZ(std::int8_t* x, std::int8_t* y, std::int8_t* z);
