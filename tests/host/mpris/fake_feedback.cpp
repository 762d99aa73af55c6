#include "tests/host/mpris/fake_feedback.h"

#include <map>

namespace host::mpris::testing_support {

FakeFeedback::FakeFeedback(const std::string& address, Answers answers)
    : m_connection(sdbus::createSessionBusConnectionWithAddress(address)),
      m_object(sdbus::createObject(*m_connection, "/org/sigxcpu/Feedback")) {
  m_object->registerMethod("TriggerFeedback")
      .onInterface("org.sigxcpu.Feedback")
      .implementedAs([this, answers](sdbus::Result<std::uint32_t>&& result, std::string appId,
                                     std::string event,
                                     std::map<std::string, sdbus::Variant> hints,
                                     std::int32_t timeout) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back(appId + " " + event + " " + std::to_string(hints.size()) + " " +
                          std::to_string(timeout));
        m_called.notify_all();
        if (answers == Answers::kAtOnce) {
          result.returnResults(static_cast<std::uint32_t>(m_calls.size()));
        } else {
          m_held.push_back(std::move(result));
        }
      });
  m_object->finishRegistration();
  m_connection->requestName("org.sigxcpu.Feedback");
  m_connection->enterEventLoopAsync();
}

FakeFeedback::~FakeFeedback() {
  m_connection->leaveEventLoop();
  m_held.clear();  // its messages need the connection
  m_object.reset();
  m_connection.reset();
}

std::vector<std::string> FakeFeedback::Calls() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_calls;
}

bool FakeFeedback::WaitForCalls(std::size_t count, std::chrono::milliseconds deadline) const {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_called.wait_for(lock, deadline, [&] { return m_calls.size() >= count; });
}

}  // namespace host::mpris::testing_support
