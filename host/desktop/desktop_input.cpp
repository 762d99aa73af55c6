#include "host/desktop/desktop_input.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "host/screen/canvas.h"
#include "host/screen/home_screen.h"
#include "host/ui/input.h"

namespace host::desktop {
namespace {

using screen::Contains;

// The topmost visible window, or null when every window is hidden.
const WindowInfo* TopVisible(const std::vector<WindowInfo>& windows) {
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    if (it->visible) return &*it;
  }
  return nullptr;
}

std::optional<sensors::TiltKey> TiltKeyOf(SDL_Keycode key) {
  switch (key) {
    case SDLK_RIGHT:
      return sensors::TiltKey::kRight;
    case SDLK_LEFT:
      return sensors::TiltKey::kLeft;
    case SDLK_DOWN:
      return sensors::TiltKey::kDown;
    case SDLK_UP:
      return sensors::TiltKey::kUp;
    default:
      return std::nullopt;
  }
}

// Takes the motion events waiting at the head of the queue and leaves the last one in event:
// a drag redraws once per batch, not once per pixel.
void SkipToLastMotion(SDL_Event& event) {
  SDL_Event next;
  while (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
         next.type == SDL_MOUSEMOTION) {
    SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_MOUSEMOTION, SDL_MOUSEMOTION);
    event = next;
  }
}

}  // namespace

DesktopInput::DesktopInput(Handset& handset, DesktopView& view, sensors::ManualTiltSensor* tilt)
    : m_handset(handset),
      m_view(view),
      m_tilt(tilt),
      m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

DesktopInput::~DesktopInput() {
  if (m_wakeFd >= 0) close(m_wakeFd);
}

bool DesktopInput::NextEvent(SDL_Event& event, int waitMs, bool drew) {
  int display = m_view.display_fd();
  if (display < 0 || m_wakeFd < 0) return SDL_WaitEventTimeout(&event, waitMs) == 1;
  auto take = [&event] {
    return SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1;
  };
  auto pump = [this] {
    SDL_PumpEvents();  // also flushes what SDL asked of the display
    m_pumpedAtMs = m_handset.clock().NowMs();
  };
  if (drew || !m_quiet || m_handset.clock().NowMs() - m_pumpedAtMs >= kPumpEveryMs) pump();
  m_quiet = false;
  if (take()) return true;
  pollfd fds[] = {{display, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
  int ready = poll(fds, 2, waitMs);
  if (ready == 0) {
    m_quiet = true;
    return false;
  }
  if ((fds[1].revents & POLLIN) != 0) {
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t got = read(m_wakeFd, &count, sizeof count);
  }
  pump();
  return take();
}

bool DesktopInput::Idle(std::int64_t wakeAtMs) {
  bool drew = m_view.Refresh(m_handset);
  if (m_closed) return false;
  std::int64_t wait = kMaxWaitMs;
  if (wakeAtMs >= 0) wait = std::clamp<std::int64_t>(wakeAtMs - m_handset.clock().NowMs(), 0, wait);
  SDL_Event event;
  if (!NextEvent(event, static_cast<int>(wait), drew)) return true;
  // Every event that waits is handled in this wait, not one per turn of the loop: on a busy
  // machine a turn (a paint, a poll tick) takes longer than a key or a click, and a close
  // request queued behind them would come ever later.
  do {
    if (event.type == SDL_MOUSEMOTION) SkipToLastMotion(event);
    Handle(event);
  } while (!m_closed && SDL_PollEvent(&event) == 1);
  // A close has requested the quit, which the loop takes before any timer.
  return true;
}

void DesktopInput::Wake() {
  SDL_Event event{};
  event.type = SDL_USEREVENT;
  SDL_PushEvent(&event);
  if (m_wakeFd >= 0) {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t put = write(m_wakeFd, &one, sizeof one);
  }
}

void DesktopInput::Handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      Close();
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) Close();
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED) m_view.Exposed();
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        m_view.Resized(event.window.data1, event.window.data2);
      }
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST && m_tilt != nullptr) {
        m_tilt->ReleaseAll();
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.button == SDL_BUTTON_LEFT) Press(event.button.x, event.button.y);
      break;
    case SDL_MOUSEMOTION:
      Move(event.motion.x, event.motion.y);
      break;
    case SDL_MOUSEBUTTONUP:
      if (event.button.button == SDL_BUTTON_LEFT) Release(event.button.x, event.button.y);
      break;
    case SDL_MOUSEWHEEL: {
      int notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y
                                                                     : event.wheel.y;
      Wheel(event.wheel.mouseX, event.wheel.mouseY, notches);
      break;
    }
    case SDL_TEXTINPUT:
      if (std::string_view(event.text.text) == "?") m_view.ShowHelp(!m_view.help_shown());
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      Key(event.key.keysym.sym, event.type == SDL_KEYDOWN, event.key.repeat != 0);
      break;
    default:
      break;
  }
}

POINT DesktopInput::ScreenPoint(int x, int y) const {
  POINT p = WorkAreaPoint(m_view.layout(), x, y);
  RECT area = m_handset.work_area();
  return {p.x + area.left, p.y + area.top};
}

void DesktopInput::SendPointer(Drag drag, ui::PointerAction action, int x, int y) {
  POINT p = ScreenPoint(x, y);
  if (drag == Drag::kOurs) ui::SendScreenPointer(m_handset, action, p.x, p.y);
  if (drag != Drag::kForeign) return;
  const WindowInfo* info = m_handset.FindWindowInfo(m_foreign);
  if (info == nullptr) return;
  m_handset.SendToWindow(m_foreign, ui::MessageOf(action),
                         action == ui::PointerAction::kUp ? 0 : ui::kPointerPressed,
                         ui::PointerLParam(p.x - info->rect.left, p.y - info->rect.top));
}

void DesktopInput::Press(int x, int y) {
  if (m_view.help_shown()) {
    m_view.ShowHelp(false);
    return;
  }
  const DesktopLayout& layout = m_view.layout();
  if (m_tilt != nullptr && Contains(layout.tiltPad, x, y)) {
    m_drag = Drag::kPad;
    auto [tx, tz] = TiltAt(layout.tiltPad, x, y);
    m_tilt->SetPad(tx, tz);
    return;
  }
  if (!Contains(layout.screen, x, y)) return;
  SDL_CaptureMouse(SDL_TRUE);  // the release reaches us also outside the window
  std::vector<WindowInfo> windows = m_handset.Windows();
  const WindowInfo* top = TopVisible(windows);
  POINT p = ScreenPoint(x, y);
  if (ui::OpenMenu() != nullptr || (top != nullptr && ui::FindWnd(top->hwnd) != nullptr)) {
    m_drag = Drag::kOurs;
    SendPointer(m_drag, ui::PointerAction::kDown, x, y);
  } else if (top != nullptr) {
    m_drag = Drag::kForeign;
    m_foreign = top->hwnd;
    SendPointer(m_drag, ui::PointerAction::kDown, x, y);
  } else {
    m_drag = Drag::kHome;
    RECT area = m_handset.work_area();
    m_homeButton = screen::HomeButtonAt(screen::Width(area), screen::Height(area),
                                        ProgramsOf(m_handset).size(),
                                        p.x - area.left, p.y - area.top);
  }
}

void DesktopInput::Move(int x, int y) {
  switch (m_drag) {
    case Drag::kOurs:
    case Drag::kForeign:
      SendPointer(m_drag, ui::PointerAction::kMove, x, y);
      break;
    case Drag::kPad: {
      auto [tx, tz] = TiltAt(m_view.layout().tiltPad, x, y);
      m_tilt->SetPad(tx, tz);
      break;
    }
    case Drag::kHome:
    case Drag::kNone:
      break;
  }
}

void DesktopInput::Release(int x, int y) {
  // The drag is over before the release is delivered: a tap may open a menu whose modal loop
  // comes back here for its own input.
  Drag drag = m_drag;
  m_drag = Drag::kNone;
  if (drag != Drag::kNone && drag != Drag::kPad) SDL_CaptureMouse(SDL_FALSE);
  switch (drag) {
    case Drag::kOurs:
    case Drag::kForeign:
      SendPointer(drag, ui::PointerAction::kUp, x, y);
      m_foreign = nullptr;
      break;
    case Drag::kHome: {
      POINT p = ScreenPoint(x, y);
      RECT area = m_handset.work_area();
      std::vector<ProgramView> entries = ProgramsOf(m_handset);
      int button = screen::HomeButtonAt(screen::Width(area), screen::Height(area), entries.size(),
                                        p.x - area.left, p.y - area.top);
      if (button >= 0 && button == m_homeButton) screen::ShowProgram(m_handset, entries[button]);
      m_homeButton = -1;
      break;
    }
    case Drag::kPad:
      m_tilt->ReleasePad();
      break;
    case Drag::kNone:
      break;
  }
}

void DesktopInput::Wheel(int x, int y, int notches) {
  if (notches == 0 || !Contains(m_view.layout().screen, x, y)) return;
  CMzWnd* wnd = ui::ForegroundWnd(m_handset);
  std::vector<WindowInfo> windows = m_handset.Windows();
  const WindowInfo* top = TopVisible(windows);
  // Only when our window is the one on top (an open menu is): another program's lies over it.
  bool onTop = ui::OpenMenu() != nullptr || (top != nullptr && wnd != nullptr &&
                                             top->hwnd == wnd->m_hWnd);
  if (wnd == nullptr || !onTop) return;
  const WindowInfo* info = m_handset.FindWindowInfo(wnd->m_hWnd);
  if (info == nullptr) return;
  POINT p = ScreenPoint(x, y);
  // Turning the wheel away from the user moves the content down.
  ui::WheelAt(*wnd, p.x - info->rect.left, p.y - info->rect.top, -notches * kWheelStepPx);
}

void DesktopInput::Key(SDL_Keycode key, bool down, bool repeat) {
  if (std::optional<sensors::TiltKey> tilt = TiltKeyOf(key)) {
    if (m_tilt == nullptr || repeat) return;
    if (down) {
      m_tilt->Press(*tilt);
    } else {
      m_tilt->Release(*tilt);
    }
    return;
  }
  if (!down || repeat) return;
  // "?" comes as text (it is a shifted key on most keyboards): its own key is left to that.
  if (key == SDLK_SLASH || key == SDLK_QUESTION) return;
  if (m_view.help_shown()) {
    m_view.ShowHelp(false);
  } else if (key == SDLK_F1) {
    m_view.ShowHelp(true);
  } else if (key == SDLK_ESCAPE) {
    Back();
  } else if (key == SDLK_HOME) {
    GoHome();
  }
}

void DesktopInput::Back() {
  if (CPopupMenu* menu = ui::OpenMenu()) {
    menu->EndModal(0);
    return;
  }
  // Another program's window on top (the music player's) is put away, which shows the window
  // beneath it again. The application's own window has its own Hide.
  std::vector<WindowInfo> windows = m_handset.Windows();
  const WindowInfo* top = TopVisible(windows);
  if (top != nullptr && ui::FindWnd(top->hwnd) == nullptr) ShowWindow(top->hwnd, SW_HIDE);
}

void DesktopInput::GoHome() {
  if (CPopupMenu* menu = ui::OpenMenu()) menu->EndModal(0);
  for (const WindowInfo& info : m_handset.Windows()) {
    if (info.visible) ShowWindow(info.hwnd, SW_HIDE);
  }
}

void DesktopInput::Close() {
  if (m_closed) return;
  m_closed = true;
  m_handset.RequestQuit(0);
}

WatchingInput::WatchingInput(Handset& handset, DesktopView& view, InputSource& inner)
    : m_handset(handset), m_view(view), m_inner(inner) {}

bool WatchingInput::Idle(std::int64_t wakeAtMs) {
  m_view.Refresh(m_handset);
  SDL_Event event;
  while (!m_closed && SDL_PollEvent(&event) == 1) {
    bool close = event.type == SDL_QUIT || (event.type == SDL_WINDOWEVENT &&
                                            event.window.event == SDL_WINDOWEVENT_CLOSE);
    if (close) {
      m_closed = true;
      m_handset.RequestQuit(0);
    }
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) {
      m_view.Exposed();
    }
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
      m_view.Resized(event.window.data1, event.window.data2);
    }
  }
  if (m_closed) return false;
  return m_inner.Idle(wakeAtMs);
}

}  // namespace host::desktop
