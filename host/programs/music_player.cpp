#include "host/programs/music_player.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include <nlohmann/json.hpp>

#include "host/crt/utf.h"

namespace host::programs {

const char* PlayerEventName(PlayerEvent event) {
  // In the order of PlayerEvent.
  static constexpr const char* kNames[] = {"started", "previous",   "play-pause",
                                           "next",    "song-ended", "closed"};
  auto index = static_cast<std::size_t>(event);
  return index < std::size(kNames) ? kNames[index] : "?";
}

std::vector<RECT> PlayerButtonRects(int width, int height) {
  // Under the title band and three lines of text; the window shows them from 120 px high.
  constexpr int kTop = 232, kHeight = 80, kMargin = 24, kGap = 16;
  if (height < kTop + kHeight) return {};
  int each = (width - 2 * kMargin - 2 * kGap) / 3;
  std::vector<RECT> rects;
  for (int i = 0; i < 3; ++i) {
    int left = kMargin + i * (each + kGap);
    rects.push_back({left, kTop, left + each, kTop + kHeight});
  }
  return rects;
}

// ---- MusicPlayer

MusicPlayer::MusicPlayer(std::vector<Song> playlist, std::shared_ptr<Observer> observer)
    : m_state(std::move(playlist)), m_observer(std::move(observer)) {}

MusicPlayer::~MusicPlayer() {
  if (m_observer != nullptr) m_observer->Gone(*this);
}

void MusicPlayer::Start(Handset& handset, DWORD pid) {
  m_pid = pid;
  m_handset = &handset;
  m_state.Sync(m_handset->clock().NowMs());
  m_window = m_handset->CreateWindow(
      kMusicPlayerClass, kNowPlayingTitle, m_handset->work_area(), pid,
      [this](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        return OnMessage(hwnd, msg, wParam, lParam);
      });
  if (WindowInfo* info = m_handset->FindWindowInfo(m_window)) info->visible = true;
  Tell(PlayerEvent::kStarted);
}

NowPlaying MusicPlayer::State() const { return m_state.At(m_handset->clock().NowMs()); }

LRESULT MusicPlayer::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kPlayerControlMessage:
      Command(wParam);
      break;
    case WM_LBUTTONUP:
      Tapped(hwnd, LOWORD(lParam), HIWORD(lParam));
      break;
    case WM_TIMER:
      if (wParam == kSongEndTimer) SongEndDue();
      break;
    case WM_CLOSE:
      Tell(PlayerEvent::kClosed);
      m_window = nullptr;
      // Destroys the window (and its timer); this object lives until the call has returned.
      m_handset->EndProcess(m_pid);
      break;
    default:
      break;
  }
  return 0;
}

void MusicPlayer::Tapped(HWND hwnd, int x, int y) {
  const WindowInfo* info = m_handset->FindWindowInfo(hwnd);
  if (info == nullptr) return;
  std::vector<RECT> buttons = PlayerButtonRects(info->rect.right - info->rect.left,
                                                info->rect.bottom - info->rect.top);
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const RECT& r = buttons[i];
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
      m_handset->PostMessage(hwnd, kPlayerControlMessage, kPlayerPrevious + i, 0);
    }
  }
}

void MusicPlayer::Command(WPARAM code) {
  std::int64_t now = m_handset->clock().NowMs();
  PlayerEvent event;
  switch (code) {
    case kPlayerPrevious:
      m_state.Previous(now);
      event = PlayerEvent::kPrevious;
      break;
    case kPlayerPlayPause:
      m_state.TogglePlay(now);
      event = PlayerEvent::kPlayPause;
      break;
    case kPlayerNext:
      m_state.Next(now);
      event = PlayerEvent::kNext;
      break;
    default:
      return;
  }
  ArmSongEnd();
  Tell(event);
}

void MusicPlayer::SongEndDue() {
  std::size_t before = m_state.index();
  m_state.Sync(m_handset->clock().NowMs());
  ArmSongEnd();
  if (m_state.index() != before) Tell(PlayerEvent::kSongEnded);
}

void MusicPlayer::ArmSongEnd() {
  if (m_state.playing()) {
    std::int64_t remaining =
        std::min<std::int64_t>(m_state.RemainingMs(), std::numeric_limits<UINT>::max());
    m_handset->SetTimer(m_window, kSongEndTimer, static_cast<UINT>(remaining));
    m_timerArmed = true;
  } else if (m_timerArmed) {
    m_handset->KillTimer(m_window, kSongEndTimer);
    m_timerArmed = false;
  }
}

void MusicPlayer::Tell(PlayerEvent event) {
  PlayerChange change{event, m_pid, State()};
  m_handset->Emit("player", [&] {
    return TraceFields{{"event", PlayerEventName(event)},
                       {"pid", m_pid},
                       {"index", change.now.index + 1},
                       {"count", change.now.playlist->size()},
                       {"title", ToUtf8(change.now.title())},
                       {"playing", change.now.playing},
                       {"elapsed", change.now.elapsedMs}};
  });
  if (m_observer != nullptr) m_observer->Changed(*this, change);
}

// ---- MusicPlayerService

class MusicPlayerService::Hub final : public MusicPlayer::Observer {
 public:
  void Changed(MusicPlayer& player, const PlayerChange& change) override {
    if (change.event == PlayerEvent::kStarted) running.push_back(&player);
    // A listener may remove itself (or others) while being called.
    std::map<int, PlayerListener> now = listeners;
    for (auto& [id, listener] : now) {
      if (listeners.count(id) != 0) listener(change);
    }
  }
  void Gone(MusicPlayer& player) override {
    running.erase(std::remove(running.begin(), running.end(), &player), running.end());
  }

  std::map<int, PlayerListener> listeners;
  int nextId = 1;
  std::vector<MusicPlayer*> running;
};

MusicPlayerService::MusicPlayerService(Handset& handset, std::vector<Song> playlist)
    : m_handset(handset), m_playlist(std::move(playlist)), m_hub(std::make_shared<Hub>()) {
  Register();
}

MusicPlayerService::~MusicPlayerService() { m_hub->listeners.clear(); }

void MusicPlayerService::Register() {
  m_handset.RegisterProgram(kMusicPlayerPath, [playlist = m_playlist, hub = m_hub] {
    return std::make_unique<MusicPlayer>(playlist, hub);
  });
}

int MusicPlayerService::AddListener(PlayerListener listener) {
  int id = m_hub->nextId++;
  m_hub->listeners.emplace(id, std::move(listener));
  return id;
}

void MusicPlayerService::RemoveListener(int id) { m_hub->listeners.erase(id); }

std::vector<const MusicPlayer*> MusicPlayerService::Running() const {
  // An ended player's object may outlive its process for a while (Handset::EndProcess): only
  // the listed processes count.
  std::vector<const MusicPlayer*> running;
  // None started: no copy of the process list (the window asks at every refresh).
  if (m_hub->running.empty()) return running;
  for (const ProcessInfo& process : m_handset.Processes()) {
    for (const MusicPlayer* player : m_hub->running) {
      if (player->pid() == process.pid) running.push_back(player);
    }
  }
  return running;
}

const MusicPlayer* MusicPlayerService::PlayerOfWindow(HWND hwnd) const {
  if (hwnd == nullptr) return nullptr;
  for (const MusicPlayer* player : Running()) {
    if (player->window() == hwnd) return player;
  }
  return nullptr;
}

std::optional<NowPlaying> MusicPlayerService::NowPlayingState() const {
  std::vector<const MusicPlayer*> running = Running();
  if (running.empty()) return std::nullopt;
  return running.back()->State();
}

}  // namespace host::programs
