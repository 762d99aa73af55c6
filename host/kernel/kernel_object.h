// Objects behind handset HANDLEs (files, devices, snapshots, searches), closed by CloseHandle.
#pragma once

#include "platform/windows.h"

namespace host {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // What CloseHandle does besides forgetting the handle; its result is CloseHandle's.
  virtual BOOL Close() { return TRUE; }
};

}  // namespace host
