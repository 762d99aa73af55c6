#include "tests/host/service/fake_systemd.h"

namespace host::service::testing_support {
namespace {

constexpr char kManager[] = "org.freedesktop.systemd1.Manager";
constexpr char kUnitPath[] = "/org/freedesktop/systemd1/unit/quorvane_2eservice";

}  // namespace

FakeSystemd::FakeSystemd(const std::string& address, std::string unit, Actions actions)
    : m_unit(std::move(unit)),
      m_actions(std::move(actions)),
      m_connection(sdbus::createSessionBusConnectionWithAddress(address)),
      m_manager(sdbus::createObject(*m_connection, "/org/freedesktop/systemd1")),
      m_unitObject(sdbus::createObject(*m_connection, kUnitPath)) {
  auto record = [this](const std::string& call) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(call);
  };
  auto known = [this](const std::string& name) {
    if (name != m_unit) {
      throw sdbus::Error("org.freedesktop.systemd1.NoSuchUnit", "Unit " + name + " not loaded.");
    }
  };
  m_manager->registerMethod("GetUnit").onInterface(kManager).implementedAs(
      [record, known](const std::string& name) {
        record("GetUnit " + name);
        known(name);
        return sdbus::ObjectPath(kUnitPath);
      });
  m_manager->registerMethod("StopUnit").onInterface(kManager).implementedAs(
      [this, record, known](const std::string& name, const std::string& mode) {
        record("StopUnit " + name + " " + mode);
        known(name);
        if (m_actions.stop) m_actions.stop();
        SetMainPid(0);
        return sdbus::ObjectPath("/org/freedesktop/systemd1/job/1");
      });
  m_manager->registerMethod("StartUnit").onInterface(kManager).implementedAs(
      [this, record, known](const std::string& name, const std::string& mode) {
        record("StartUnit " + name + " " + mode);
        known(name);
        if (m_actions.start) SetMainPid(m_actions.start());
        return sdbus::ObjectPath("/org/freedesktop/systemd1/job/2");
      });
  m_manager->finishRegistration();
  m_unitObject->registerProperty("MainPID")
      .onInterface("org.freedesktop.systemd1.Service")
      .withGetter([this] { return static_cast<std::uint32_t>(main_pid()); });
  m_unitObject->finishRegistration();
  m_connection->requestName("org.freedesktop.systemd1");
  m_connection->enterEventLoopAsync();
}

FakeSystemd::~FakeSystemd() {
  m_connection->leaveEventLoop();
  m_unitObject.reset();
  m_manager.reset();
  m_connection.reset();
}

void FakeSystemd::SetMainPid(pid_t pid) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_mainPid = pid;
}

pid_t FakeSystemd::main_pid() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_mainPid;
}

std::vector<std::string> FakeSystemd::Calls() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_calls;
}

}  // namespace host::service::testing_support
