#include "host/mpris/bridge_core.h"

#include "host/crt/utf.h"
#include "host/feedback/feedback_client.h"
#include "host/programs/music_player.h"

namespace host::mpris {
namespace {

// What a minute's left-out lines of a kind were about.
const char* KindName(NoteKind kind) {
  switch (kind) {
    case NoteKind::kCallFailed:
      return "failed calls";
    case NoteKind::kMalformed:
      return "malformed messages";
    case NoteKind::kDropped:
      return "commands not sent";
    case NoteKind::kBus:
      return "the bus";
  }
  return "other things";
}

}  // namespace

class MprisBridge::Core::PlayerProcess final : public Program {
 public:
  explicit PlayerProcess(Core& core) : m_core(core) {}
  void Start(Handset&, DWORD pid) override { m_core.Opened(pid); }

 private:
  Core& m_core;
};

void MprisBridge::Core::Receive(BusNews news) {
  switch (news.kind) {
    case BusNews::Kind::kPlayers:
      m_players = std::move(news.players);
      m_listed = true;
      break;
    case BusNews::Kind::kNote:
      Debug(news.noteKind, news.note);
      return;
    case BusNews::Kind::kBusLost:
      m_players.clear();
      m_connected = false;
      m_listed = true;
      m_bus = nullptr;
      break;
  }
  Follow();
}

void MprisBridge::Core::EndPlayerProcess() {
  if (m_pid == 0) return;
  DWORD pid = m_pid;
  m_pid = 0;
  m_window = nullptr;
  m_handset.EndProcess(pid);
}

void MprisBridge::Core::Debug(NoteKind kind, const std::string& text) {
  NoteLimiter::Verdict verdict = m_limiter.Admit(static_cast<int>(kind), m_handset.clock().NowMs());
  auto out = [this](const std::string& line) {
    m_handset.AddDebugOutput(u"[MPRIS] " + FromUtf8(line).value_or(u"?"));
  };
  if (verdict.leftOut > 0) {
    out(std::to_string(verdict.leftOut) + " more debug lines about " + KindName(kind) +
        " were left out in the minute before");
  }
  if (verdict.show) out(text + (verdict.last ? " (more like it are left out for a minute)" : ""));
}

bool MprisBridge::Core::playing() const {
  const PlayerInfo* player = Chosen();
  return player != nullptr && player->status == PlaybackStatus::kPlaying;
}

void MprisBridge::Core::Follow() {
  bool chosen = Chosen() != nullptr;
  if (chosen && m_pid == 0) {
    m_handset.StartProcess(programs::kMusicPlayerPath, std::make_unique<PlayerProcess>(*this));
  } else if (!chosen && m_pid != 0) {
    EndPlayerProcess();
  }
  Tell();
}

void MprisBridge::Core::Tell() {
  if (!m_listed) return;
  const PlayerInfo* chosen = Chosen();
  std::string name = chosen != nullptr ? chosen->busName : "";
  if (!m_choiceTold || name != m_toldChoice) {
    m_choiceTold = true;
    m_toldChoice = name;
    if (m_events.chosenChanged) m_events.chosenChanged(chosen);
  }
  bool now = playing();
  if (now != m_toldPlaying) {
    m_toldPlaying = now;
    if (m_events.playingChanged) m_events.playingChanged(now);
  }
}

void MprisBridge::Core::Opened(DWORD pid) {
  m_pid = pid;
  m_window = m_handset.CreateWindow(
      kPlayerWindowClass, programs::kNowPlayingTitle, m_handset.work_area(), pid,
      [this](HWND, UINT msg, WPARAM wParam, LPARAM) { return OnMessage(msg, wParam); });
  if (WindowInfo* info = m_handset.FindWindowInfo(m_window)) info->visible = true;
}

LRESULT MprisBridge::Core::OnMessage(UINT msg, WPARAM wParam) {
  const PlayerInfo* player = Chosen();
  if (player == nullptr) return 0;
  switch (msg) {
    case programs::kPlayerControlMessage:
      // Next and previous come from the application's gestures: the person feels they were
      // taken (host/feedback/feedback_client.h).
      if (wParam == programs::kPlayerPrevious || wParam == programs::kPlayerNext) {
        feedback::GestureCommand(m_handset);
      }
      if (wParam == programs::kPlayerPrevious) {
        CallIf(*player, player->canGoPrevious, "CanGoPrevious", kPlayerInterface, "Previous");
      } else if (wParam == programs::kPlayerPlayPause) {
        Call(*player, kPlayerInterface, "PlayPause");
      } else if (wParam == programs::kPlayerNext) {
        CallIf(*player, player->canGoNext, "CanGoNext", kPlayerInterface, "Next");
      }
      break;
    case WM_CLOSE:
      // Only a true CanQuit counts: an unknown one would leave the user guessing.
      CallIf(*player, player->canQuit.value_or(false), "CanQuit", kRootInterface, "Quit");
      break;
    case WM_SHOWWINDOW:
      if (wParam != FALSE) {
        CallIf(*player, player->canRaise.value_or(false), "CanRaise", kRootInterface, "Raise");
      }
      break;
    default:
      break;
  }
  return 0;
}

// A capability that is not known to be false lets the call through.
void MprisBridge::Core::CallIf(const PlayerInfo& player, std::optional<bool> can,
                               const char* property, const char* interface, const char* method) {
  if (can == false) {
    Debug(NoteKind::kDropped, std::string(method) + " to " + player.busName + " dropped: its " +
                                  property + " is not true");
    return;
  }
  Call(player, interface, method);
}

void MprisBridge::Core::Call(const PlayerInfo& player, const char* interface, const char* method) {
  if (m_bus == nullptr) {
    Debug(NoteKind::kDropped, std::string(method) + " to " + player.busName + " dropped: no bus");
    return;
  }
  m_bus->Call(player.busName, interface, method);
}

}  // namespace host::mpris
