#include "tests/host/mpris/fake_player.h"

#include <map>

namespace host::mpris::testing_support {
namespace {

constexpr char kRoot[] = "org.mpris.MediaPlayer2";
constexpr char kPlayer[] = "org.mpris.MediaPlayer2.Player";

}  // namespace

FakePlayer::FakePlayer(const std::string& address, FakeOptions options)
    : m_options(std::move(options)) {
  m_connection = sdbus::createSessionBusConnectionWithAddress(address);
  if (m_options.behaviour == Behaviour::kNeverAnswers) {
    m_connection->requestName(busName());
    return;
  }
  m_object = sdbus::createObject(*m_connection, "/org/mpris/MediaPlayer2");
  const FakeOptions& o = m_options;
  auto simple = [this](const char* interface, const std::string& method) {
    m_object->registerMethod(method).onInterface(interface).implementedAs(
        [this, method] { Record(method); });
  };
  simple(kPlayer, "Previous");
  simple(kPlayer, "PlayPause");
  simple(kRoot, "Quit");
  simple(kRoot, "Raise");
  if (o.behaviour == Behaviour::kLeavesOnNext) {
    m_object->registerMethod("Next").onInterface(kPlayer).implementedAs(
        [this](sdbus::Result<>&& result) {
          Record("Next");
          m_connection->releaseName(busName());
          (void)result;  // never replied to
        });
  } else {
    simple(kPlayer, "Next");
  }
  auto property = [this](const char* interface, const std::string& name, auto value) {
    m_object->registerProperty(name).onInterface(interface).withGetter([value] { return value; });
  };
  property(kRoot, "Identity", o.identity);
  property(kRoot, "CanQuit", o.canQuit);
  property(kRoot, "CanRaise", o.canRaise);
  property(kPlayer, "PlaybackStatus", o.status);
  property(kPlayer, "CanControl", o.canControl);
  property(kPlayer, "CanGoNext", o.canGoNext);
  property(kPlayer, "CanGoPrevious", o.canGoPrevious);
  std::map<std::string, sdbus::Variant> metadata{{"xesam:title", sdbus::Variant(o.title)}};
  property(kPlayer, "Metadata", metadata);
  m_object->finishRegistration();
  m_connection->requestName(busName());
  m_connection->enterEventLoopAsync();
  m_looping = true;
}

FakePlayer::~FakePlayer() {
  if (m_looping) m_connection->leaveEventLoop();
  m_object.reset();
  m_connection.reset();
}

std::vector<std::string> FakePlayer::Calls() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_calls;
}

void FakePlayer::Leave() {
  if (m_looping) m_connection->leaveEventLoop();
  m_looping = false;
  m_connection->releaseName(busName());
}

void FakePlayer::ReleaseName() { m_connection->releaseName(busName()); }

void FakePlayer::ClaimName() { m_connection->requestName(busName()); }

namespace {

void EmitPropertiesChanged(sdbus::IObject& object, bool malformed, const std::string& status) {
  sdbus::Signal signal = object.createSignal("org.freedesktop.DBus.Properties", "PropertiesChanged");
  signal << std::string(kPlayer);
  if (!malformed) {
    std::map<std::string, sdbus::Variant> changed{{"PlaybackStatus", sdbus::Variant(status)}};
    signal << changed << std::vector<std::string>{};
  }
  object.emitSignal(signal);
}

}  // namespace

void FakePlayer::EmitMalformedThenPlaying(int count) {
  for (int i = 0; i < count; ++i) EmitPropertiesChanged(*m_object, true, "");
  EmitPropertiesChanged(*m_object, false, "Playing");
}

Flooder::Flooder(const std::string& address)
    : m_connection(sdbus::createSessionBusConnectionWithAddress(address)),
      m_object(sdbus::createObject(*m_connection, "/org/mpris/MediaPlayer2")) {}

void Flooder::Emit(int count) {
  for (int i = 0; i < count; ++i) EmitPropertiesChanged(*m_object, i % 2 == 0, "Playing");
}

void Flooder::ClaimName(const std::string& name) { m_connection->requestName(name); }

std::size_t FakePlayer::CallCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_calls.size();
}

bool FakePlayer::WaitForCalls(std::size_t count, std::chrono::milliseconds deadline) const {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_called.wait_for(lock, deadline, [&] { return m_calls.size() >= count; });
}

std::chrono::steady_clock::time_point FakePlayer::LastCallAt() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lastCallAt;
}

void FakePlayer::Record(const std::string& method) {
  auto now = std::chrono::steady_clock::now();
  std::lock_guard<std::mutex> lock(m_mutex);
  m_lastCallAt = now;
  m_calls.push_back(method);
  m_called.notify_all();
}

}  // namespace host::mpris::testing_support
