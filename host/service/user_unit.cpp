#include "host/service/user_unit.h"

#include <functional>
#include <future>
#include <memory>
#include <optional>

#include <sdbus-c++/sdbus-c++.h>

#include "host/dbus/bus_thread.h"

namespace host::service {
namespace {

constexpr char kSystemd[] = "org.freedesktop.systemd1";
constexpr char kManagerPath[] = "/org/freedesktop/systemd1";
constexpr char kManager[] = "org.freedesktop.systemd1.Manager";
constexpr char kService[] = "org.freedesktop.systemd1.Service";

// Runs call on the bus thread of a new connection and waits for its answer until the deadline.
// An sdbus::Error of the call becomes the answer's error, "systemd's user manager: NAME:
// message", unless absent (not null) turns it into a value: the answer for a peer that is not
// there.
template <class T>
Result<T> Ask(const UnitBus& bus, const std::function<T(sdbus::IConnection&)>& call,
              const std::function<std::optional<T>(const sdbus::Error&)>& absent) {
  dbus::ConnectOptions options;
  options.address = bus.address;
  options.deadline = bus.deadline;
  Result<std::unique_ptr<dbus::BusThread>> thread = dbus::BusThread::Connect(options, {});
  if (!thread) return thread.error();
  auto answer = std::make_shared<std::promise<Result<T>>>();
  std::future<Result<T>> future = answer->get_future();
  (*thread)->Post([answer, call, absent](sdbus::IConnection& connection) {
    try {
      answer->set_value(call(connection));
    } catch (const sdbus::Error& error) {
      std::optional<T> value = absent ? absent(error) : std::nullopt;
      if (value) {
        answer->set_value(*value);
      } else {
        answer->set_value(Error("systemd's user manager: " + dbus::Describe(error)));
      }
    }
  });
  if (future.wait_for(bus.deadline) != std::future_status::ready) {
    return Error("systemd's user manager does not answer within " +
                 std::to_string(bus.deadline.count()) + " ms");
  }
  return future.get();
}

Status Job(const UnitBus& bus, const char* method, const std::string& unit) {
  Result<bool> queued = Ask<bool>(
      bus,
      [method, unit](sdbus::IConnection& connection) {
        auto manager = sdbus::createProxy(connection, kSystemd, kManagerPath);
        sdbus::ObjectPath job;
        manager->callMethod(method).onInterface(kManager).withArguments(unit, "replace")
            .storeResultsTo(job);
        return true;
      },
      nullptr);
  if (!queued) return Error(std::string(method) + " " + unit + ": " + queued.error().message());
  return Ok();
}

}  // namespace

Result<bool> IsUnitMainProcess(const UnitBus& bus, const std::string& unit, long pid) {
  Result<bool> main = Ask<bool>(
      bus,
      [unit, pid](sdbus::IConnection& connection) {
        auto manager = sdbus::createProxy(connection, kSystemd, kManagerPath);
        sdbus::ObjectPath path;
        manager->callMethod("GetUnit").onInterface(kManager).withArguments(unit)
            .storeResultsTo(path);
        auto proxy = sdbus::createProxy(connection, kSystemd, path);
        std::uint32_t mainPid = proxy->getProperty("MainPID").onInterface(kService);
        return pid > 0 && mainPid == static_cast<std::uint32_t>(pid);
      },
      [](const sdbus::Error& error) -> std::optional<bool> {
        // No systemd on this bus, or the unit is not loaded: not systemd's process.
        const std::string& name = error.getName();
        if (name == "org.freedesktop.systemd1.NoSuchUnit" ||
            name == "org.freedesktop.DBus.Error.ServiceUnknown" ||
            name == "org.freedesktop.DBus.Error.NameHasNoOwner") {
          return false;
        }
        return std::nullopt;
      });
  // Nobody listens where the session bus should be: there is no user manager to ask.
  if (!main && main.error().message().rfind("no session bus", 0) == 0) return false;
  return main;
}

Status StopUnit(const UnitBus& bus, const std::string& unit) { return Job(bus, "StopUnit", unit); }

Status StartUnit(const UnitBus& bus, const std::string& unit) {
  return Job(bus, "StartUnit", unit);
}

}  // namespace host::service
