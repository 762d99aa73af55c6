// Device drivers reached by name (CreateFileW "ACC0:"), DeviceIoControl and closing.
#include <algorithm>

#include <nlohmann/json.hpp>

#include "host/kernel/handset.h"
#include "host/kernel/handset_impl.h"
#include "host/crt/ascii_case.h"
#include "host/crt/byte_text.h"
#include "host/crt/utf.h"

namespace host {
namespace {

bool SameName(std::u16string_view a, std::u16string_view b) { return EqualIgnoringAsciiCase(a, b); }

// A caller's buffer in hex; none when it is null.
std::string Hex(const void* data, DWORD size) {
  if (data == nullptr) return std::string();
  return HexBytes(std::string_view(static_cast<const char*>(data), size));
}

// An open device of a handset: forwards control requests and the close to its driver.
class DeviceHandle final : public KernelObject {
 public:
  DeviceHandle(Handset& handset, DeviceDriver& driver, std::u16string name)
      : m_handset(handset), m_driver(driver), m_name(std::move(name)) {}

  BOOL Close() override {
    m_handset.Emit("close", [&] { return TraceFields{{"path", ToUtf8(m_name)}}; });
    m_driver.Close();
    return TRUE;
  }
  DeviceDriver& driver() { return m_driver; }

 private:
  Handset& m_handset;
  DeviceDriver& m_driver;
  std::u16string m_name;
};

}  // namespace

void Handset::RegisterDevice(std::u16string name, DeviceDriver* driver) {
  auto& devices = m_impl->devices;
  auto it = std::find_if(devices.begin(), devices.end(),
                         [&](const auto& device) { return SameName(device.first, name); });
  if (it != devices.end()) {
    it->second = driver;
  } else {
    devices.emplace_back(std::move(name), driver);
  }
}

HANDLE Handset::OpenDevice(std::u16string_view name, DWORD access, DWORD share) {
  auto& devices = m_impl->devices;
  auto it = std::find_if(devices.begin(), devices.end(),
                         [&](const auto& device) { return SameName(device.first, name); });
  DWORD error = ERROR_DEV_NOT_EXIST;
  if (it != devices.end() && it->second != nullptr) error = it->second->Open(access, share);
  Emit("open", [&] { return TraceFields{{"path", ToUtf8(name)}, {"ok", error == ERROR_SUCCESS}}; });
  if (error != ERROR_SUCCESS) {
    m_lastError = error;
    return INVALID_HANDLE_VALUE;
  }
  return AddHandle(std::make_unique<DeviceHandle>(*this, *it->second, std::u16string(name)));
}

}  // namespace host

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuf, DWORD nInBufSize,
                     LPVOID lpOutBuf, DWORD nOutBufSize, DWORD* lpBytesReturned, OVERLAPPED*) {
  host::Handset& handset = host::Handset::Current();
  auto* device = handset.LookupHandleAs<host::DeviceHandle>(hDevice);
  if (device == nullptr) {
    handset.set_last_error(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // The input as it was before the driver saw it, taken only when the call is traced.
  bool traced = handset.Traces("ioctl");
  std::string in = traced ? host::Hex(lpInBuf, nInBufSize) : std::string();
  DWORD returned = 0;
  BOOL ok = device->driver().IoControl(dwIoControlCode, lpInBuf, nInBufSize, lpOutBuf,
                                       nOutBufSize, &returned);
  if (lpBytesReturned != nullptr) *lpBytesReturned = returned;
  if (traced) {
    handset.Emit("ioctl", [&] {
      std::string out = ok ? host::Hex(lpOutBuf, std::min(returned, nOutBufSize)) : std::string();
      return host::TraceFields{
          {"code", dwIoControlCode}, {"in", std::move(in)}, {"out", out}, {"ok", ok != FALSE}};
    });
  }
  return ok;
}
