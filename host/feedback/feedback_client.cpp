#include "host/feedback/feedback_client.h"

#include <map>

#include <sdbus-c++/sdbus-c++.h>

#include "host/crt/utf.h"

namespace host::feedback {
namespace {

// Where GestureCommand finds the client: the handset's own storage.
struct Installed {
  FeedbackClient* client = nullptr;
};

}  // namespace

// Everything here runs on the bus thread.
class FeedbackClient::Caller {
 public:
  explicit Caller(Handset& handset) : m_handset(handset) {}

  void Call(sdbus::IConnection& connection, const std::string& event) {
    if (m_proxy == nullptr) m_proxy = sdbus::createProxy(connection, kFeedbackName, kFeedbackPath);
    sdbus::MethodCall call = m_proxy->createMethodCall(kFeedbackInterface, "TriggerFeedback");
    call << std::string(kAppId) << event << std::map<std::string, sdbus::Variant>{}
         << std::int32_t{-1};
    m_proxy->callMethod(
        call,
        [this](sdbus::MethodReply&, const sdbus::Error* error) {
          if (error == nullptr) {
            m_failing = false;
          } else if (!m_failing) {
            m_failing = true;
            Debug("no feedback: " + std::string(kFeedbackName) +
                  " did not take TriggerFeedback (" + dbus::Describe(*error) + ")");
          }
        },
        kFeedbackCallTimeout);
  }

  void Close() { m_proxy.reset(); }

 private:
  void Debug(const std::string& text) {
    Handset& handset = m_handset;
    std::u16string line = u"[Feedback] " + FromUtf8(text).value_or(u"?");
    // Tasks still queued when the handset goes are dropped with it.
    handset.PostFromThread([&handset, line] { handset.AddDebugOutput(line); });
  }

  Handset& m_handset;
  std::unique_ptr<sdbus::IProxy> m_proxy;
  bool m_failing = false;  // told once until a call succeeds again
};

FeedbackClient::FeedbackClient(Handset& handset, bool enabled)
    : m_handset(handset), m_enabled(enabled), m_caller(std::make_shared<Caller>(handset)) {}

Result<std::unique_ptr<FeedbackClient>> FeedbackClient::Start(Handset& handset,
                                                              FeedbackOptions options) {
  std::unique_ptr<FeedbackClient> client(new FeedbackClient(handset, options.enabled));
  dbus::BusHooks hooks;
  hooks.closing = [caller = client->m_caller] { caller->Close(); };
  Result<std::unique_ptr<dbus::BusThread>> bus = dbus::BusThread::Connect(options.bus, hooks);
  if (!bus) return bus.error();
  client->m_bus = std::move(*bus);
  handset.locals().Get<Installed>().client = client.get();
  return client;
}

FeedbackClient::~FeedbackClient() {
  if (Installed* installed = m_handset.locals().Find<Installed>()) {
    if (installed->client == this) installed->client = nullptr;
  }
  m_bus.reset();
}

void FeedbackClient::Trigger(const std::string& event) {
  if (!m_enabled) return;
  m_bus->Post([caller = m_caller, event](sdbus::IConnection& connection) {
    caller->Call(connection, event);
  });
}

void GestureCommand(Handset& handset) {
  Installed* installed = handset.locals().Find<Installed>();
  if (installed != nullptr && installed->client != nullptr) installed->client->Trigger();
}

}  // namespace host::feedback
