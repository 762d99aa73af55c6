// A player on the bus written with sdbus-c++ for the tests: the two MPRIS interfaces with fixed
// properties, recording the methods it is asked to do. It can also misbehave: never answer
// anything, or leave the bus while a call waits for its reply.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <sdbus-c++/sdbus-c++.h>

namespace host::mpris::testing_support {

enum class Behaviour {
  kAnswers,
  kNeverAnswers,   // owns its name but reads nothing: every call and property read times out
  kLeavesOnNext,   // on Next gives up its name without replying
};

struct FakeOptions {
  std::string name = "fake";  // the bus name is org.mpris.MediaPlayer2.NAME
  std::string identity = "Fake Player";
  std::string title = "Song A";
  std::string status = "Paused";
  bool canControl = true;
  bool canGoNext = true;
  bool canGoPrevious = true;
  bool canQuit = true;
  bool canRaise = true;
  Behaviour behaviour = Behaviour::kAnswers;
};

class FakePlayer {
 public:
  // Connects to the bus at address and takes the name; its own thread answers.
  FakePlayer(const std::string& address, FakeOptions options);
  ~FakePlayer();
  FakePlayer(const FakePlayer&) = delete;
  FakePlayer& operator=(const FakePlayer&) = delete;

  std::string busName() const { return "org.mpris.MediaPlayer2." + m_options.name; }
  // The methods called so far, in order ("Next", "Quit", ...).
  std::vector<std::string> Calls() const;
  std::size_t CallCount() const;
  // Waits (without spinning) until count calls have arrived; false at the deadline.
  bool WaitForCalls(std::size_t count, std::chrono::milliseconds deadline) const;
  // When the last call arrived (on the player's thread, before it answered).
  std::chrono::steady_clock::time_point LastCallAt() const;
  // Gives up the bus name (the player leaves the bus) and stops answering.
  void Leave();
  // Gives up the bus name and takes it again, answering all the while: a player that comes and
  // goes. Thread-safe with the player's own thread (sdbus-c++ serialises a connection's use).
  void ReleaseName();
  void ClaimName();
  // Sends count PropertiesChanged signals that hold only an interface name (malformed), then
  // one that says the player now plays (PlaybackStatus "Playing").
  void EmitMalformedThenPlaying(int count);

 private:
  void Record(const std::string& method);

  FakeOptions m_options;
  std::unique_ptr<sdbus::IConnection> m_connection;
  std::unique_ptr<sdbus::IObject> m_object;
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_called;
  std::vector<std::string> m_calls;
  std::chrono::steady_clock::time_point m_lastCallAt;
  bool m_looping = false;
};

// A peer that owns no player's name and floods the bus with PropertiesChanged signals on the
// MPRIS object path, malformed ones (only an interface name) and ones that claim a player plays.
class Flooder {
 public:
  explicit Flooder(const std::string& address);
  void Emit(int count);
  // Takes a player's name: the bridge hears of it only after everything emitted before.
  void ClaimName(const std::string& name);

 private:
  std::unique_ptr<sdbus::IConnection> m_connection;
  std::unique_ptr<sdbus::IObject> m_object;
};

}  // namespace host::mpris::testing_support
