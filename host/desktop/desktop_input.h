// The desktop window's events as the handset's input, in real time: the handset's input source
// while the desktop runs.
//
// The mouse is the finger: a press, moves while pressed and the release go to the topmost visible
// window at that point of the screen (taps, switch toggles, slider drags and container scrolling
// happen in the UI library); the wheel scrolls the container under the pointer; on the home
// screen a tap on a program shows its window again. A press on the tilt pad tilts the handset
// while it is held.
//
// Keys: Escape goes back: it closes the help, leaves an open pop-up menu as a tap beside its
// items does (its run returns 0), or hides another program's window on top, showing the window
// beneath; F1 or ? shows the table of keys and mouse actions (a click or any key closes it);
// Home hides every window, which shows the home screen; the arrow keys tilt the handset while
// held (host/sensors/manual_tilt.h). Closing the window ends the application as the handset's
// shutdown does (Handset::RequestQuit(0)), so exit processing runs.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "host/desktop/desktop_layout.h"
#include "host/kernel/handset.h"
#include "host/sensors/manual_tilt.h"
#include "host/ui/input.h"

namespace host::desktop {

// What the input source needs of the window.
class DesktopView {
 public:
  virtual ~DesktopView() = default;
  virtual const DesktopLayout& layout() const = 0;
  // Draws what changed on the handset's screen since the last refresh and shows it; returns
  // whether it drew anything (talked to the display).
  virtual bool Refresh(const Handset& handset) = 0;
  // The window's contents were lost: show everything again at the next refresh.
  virtual void Exposed() = 0;
  // The window is now width x height: lay it out again.
  virtual void Resized(int, int) {}
  // Shows or hides the table of keys and mouse actions over the screen.
  virtual void ShowHelp(bool) {}
  virtual bool help_shown() const { return false; }
  // The descriptor of the connection to the display that the window's events come on, or -1:
  // the input then waits in SDL's own wait.
  virtual int display_fd() const { return -1; }
};

// The longest wait for an event, so that the footer's clock-driven texts stay fresh.
inline constexpr int kMaxWaitMs = 250;
// Pixels a wheel notch scrolls.
inline constexpr int kWheelStepPx = 60;

class DesktopInput final : public InputSource {
 public:
  // tilt may be null (the accelerometer has another back-end): the keys and the pad then do
  // nothing. REQUIRES: handset, view and tilt outlive the input source; SDL's events are
  // initialised.
  DesktopInput(Handset& handset, DesktopView& view, sensors::ManualTiltSensor* tilt);
  ~DesktopInput() override;
  DesktopInput(const DesktopInput&) = delete;
  DesktopInput& operator=(const DesktopInput&) = delete;

  // Refreshes the view, then waits for an event until wakeAtMs on the handset's clock (at most
  // kMaxWaitMs; -1: no timer) and handles it and every event waiting behind it, up to a close
  // request. False once the window has been closed: no input comes any more.
  //
  // On X the wait is a poll of the display's connection and of Wake's eventfd: an idle turn
  // (nothing drawn, no event since the last wait ended with none) costs that poll alone. SDL's
  // wait would pump the X connection before and after it, a dozen reads that find nothing. SDL
  // pumps the events in after the poll, after a turn that drew or handled events (Xlib may hold
  // events read meanwhile), and at least every kPumpEveryMs.
  bool Idle(std::int64_t wakeAtMs) override;
  // Ends the wait for events: an empty SDL event (SDL's queue is thread-safe) and the eventfd.
  void Wake() override;

  // Handles one event. Input to the handset is delivered at once (window procedures run inside).
  void Handle(const SDL_Event& event);

  bool closed() const { return m_closed; }

 private:
  enum class Drag { kNone, kOurs, kForeign, kHome, kPad };

  void Press(int x, int y);
  void Move(int x, int y);
  void Release(int x, int y);
  void Wheel(int x, int y, int notches);
  void Key(SDL_Keycode key, bool down, bool repeat);
  void Close();
  void Back();
  void GoHome();
  // Window point -> screen point of the handset (the screen may be drawn scaled).
  POINT ScreenPoint(int x, int y) const;
  // The pointer at window x, y to our window or the foreign one the drag is on.
  void SendPointer(Drag drag, ui::PointerAction action, int x, int y);
  // Takes the next event into event, waiting up to waitMs; false when none came. drew: the
  // refresh before talked to the display.
  bool NextEvent(SDL_Event& event, int waitMs, bool drew);

  Handset& m_handset;
  DesktopView& m_view;
  sensors::ManualTiltSensor* m_tilt;
  Drag m_drag = Drag::kNone;
  HWND m_foreign = nullptr;  // the other program's window a press went to
  int m_homeButton = -1;     // the home-screen button a press began on
  bool m_closed = false;
  int m_wakeFd = -1;         // Wake's eventfd; -1: SDL's wait only
  bool m_quiet = false;      // the last wait ended with no event, and SDL was not pumped since
  std::int64_t m_pumpedAtMs = 0;  // on the handset's clock
};

// The longest an idle window goes without SDL pumping the display's events (a safety net: what
// Xlib might hold is taken in by then).
inline constexpr std::int64_t kPumpEveryMs = 1000;

// Shows a run that another input source drives (the demo's script runner): before each of its
// waits the view is refreshed and the window's waiting events are handled without blocking.
// Pointer and keys are left alone; closing the window ends the run as at shutdown.
class WatchingInput final : public InputSource {
 public:
  // REQUIRES: handset, view and inner outlive this; SDL's events are initialised.
  WatchingInput(Handset& handset, DesktopView& view, InputSource& inner);
  WatchingInput(const WatchingInput&) = delete;
  WatchingInput& operator=(const WatchingInput&) = delete;

  // False once the window has been closed; else what the inner source answers.
  bool Idle(std::int64_t wakeAtMs) override;
  bool closed() const { return m_closed; }

 private:
  Handset& m_handset;
  DesktopView& m_view;
  InputSource& m_inner;
  bool m_closed = false;
};

}  // namespace host::desktop
