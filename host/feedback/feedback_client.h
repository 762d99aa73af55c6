// A buzz the person can feel when a flick was taken: feedbackd's
// org.sigxcpu.Feedback.TriggerFeedback on the session bus, which vibrates, blinks or plays a
// sound as the user's feedback profile says (the daemon of Linux phones; Debian's feedbackd).
//
// Every gesture command (the application's next or previous to the player) calls
//   TriggerFeedback("io.github.quorvane.Quorvane", "button-pressed", {}, -1)
// on a bus connection and thread of the client's own (host/dbus/bus_thread.h), so that it works
// with every player, the built-in one too, and never delays the handset's loop: the handset's
// thread only hands the call over. No daemon means no feedback: one debug line "[Feedback] ..."
// when a call first fails, and nothing else until one succeeds again.
//
//   auto client = FeedbackClient::Start(handset, {.enabled = true});
//   // ... the bridge, or the built-in player, on PLAYER_NEXT / PLAYER_PREV from the application:
//   feedback::GestureCommand(handset);
#pragma once

#include <memory>
#include <string>

#include "host/crt/result.h"
#include "host/dbus/bus_thread.h"
#include "host/kernel/handset.h"

namespace host::feedback {

inline constexpr char kAppId[] = "io.github.quorvane.Quorvane";
inline constexpr char kButtonPressed[] = "button-pressed";
inline constexpr char kFeedbackName[] = "org.sigxcpu.Feedback";
inline constexpr char kFeedbackPath[] = "/org/sigxcpu/Feedback";
inline constexpr char kFeedbackInterface[] = "org.sigxcpu.Feedback";
inline constexpr std::chrono::milliseconds kFeedbackCallTimeout{2000};

struct FeedbackOptions {
  bool enabled = true;       // --feedback on|off
  dbus::ConnectOptions bus;  // the bus address (empty: the session's), deadline, stop descriptor
};

class FeedbackClient {
 public:
  // Connects (at most until the deadline) and installs the client on handset for
  // GestureCommand. The error says why there is no session bus; callers take that as no
  // feedback. REQUIRES: handset outlives the client; called on the handset's thread.
  static Result<std::unique_ptr<FeedbackClient>> Start(Handset& handset, FeedbackOptions options);
  // Uninstalls the client and stops its thread; calls still on their way are dropped.
  ~FeedbackClient();
  FeedbackClient(const FeedbackClient&) = delete;
  FeedbackClient& operator=(const FeedbackClient&) = delete;

  // The on/off switch; off, Trigger does nothing. REQUIRES: on the handset's thread.
  void set_enabled(bool enabled) { m_enabled = enabled; }
  bool enabled() const { return m_enabled; }

  // Calls TriggerFeedback(kAppId, event, {}, -1) on the bus thread and returns at once; its
  // answer is not waited for.
  void Trigger(const std::string& event = kButtonPressed);

  class Caller;  // the bus thread's side

 private:
  FeedbackClient(Handset& handset, bool enabled);

  Handset& m_handset;
  bool m_enabled;
  std::shared_ptr<Caller> m_caller;
  std::unique_ptr<dbus::BusThread> m_bus;
};

// The feedback for one gesture command: Trigger on the client installed on handset, nothing
// when none is (or it is off).
void GestureCommand(Handset& handset);

}  // namespace host::feedback
