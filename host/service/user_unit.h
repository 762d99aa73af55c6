// The systemd user unit of the service, as systemd's user manager sees it over the session bus
// (org.freedesktop.systemd1, /org/freedesktop/systemd1, interface
// org.freedesktop.systemd1.Manager). Each call makes a connection of its own on a bus thread
// (host/dbus/bus_thread.h) and gives up at the deadline, so a bus or a manager that hangs holds
// the caller no longer than that.
#pragma once

#include <chrono>
#include <string>

#include "host/crt/result.h"

namespace host::service {

// Where and how long to ask.
struct UnitBus {
  std::string address;  // empty: the session bus of the environment
  std::chrono::milliseconds deadline{3000};
};

// Whether pid is the main process of the user unit (GetUnit, then the unit's MainPID on
// org.freedesktop.systemd1.Service). False, not an error, when there is no session bus, no
// systemd on it, or no such unit loaded. The error says what else failed ("the session bus at
// ... does not answer within 3000 ms", "systemd's user manager: org.freedesktop.DBus.Error...").
Result<bool> IsUnitMainProcess(const UnitBus& bus, const std::string& unit, long pid);

// StopUnit(unit, "replace") or StartUnit(unit, "replace"): the job is queued when it returns
// Ok; systemd carries it out afterwards.
Status StopUnit(const UnitBus& bus, const std::string& unit);
Status StartUnit(const UnitBus& bus, const std::string& unit);

}  // namespace host::service
