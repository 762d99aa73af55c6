// The desktop window: the handset's screen drawn by a ScreenRenderer through a Painter, and
// under it a footer with what the music player plays, the accelerometer's last sample and the
// tilt pad (host/desktop/desktop_layout.h). Software drawing onto the window's surface.
#pragma once

#include <SDL.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/desktop/desktop_input.h"
#include "host/render/renderer.h"
#include "host/screen/screen_renderer.h"

namespace host::desktop {

// What the footer shows. A field left at its default shows nothing of its own.
struct FooterInfo {
  std::u16string nowPlaying;            // the song, e.g. u"3/8 Paper Boats"; empty: no player
  std::optional<bool> playing;          // it plays (false: paused); nullopt: nowPlaying says
  std::optional<bool> accelerometerOpen;  // an application holds ACC0: open; nullopt: unknown
  std::optional<AccSample> live;        // what the application reads now; nullopt: none read yet
  std::optional<MotionMode> motion;     // the driver's motion stage; nullopt: none (hand tilt)
  std::optional<AccSample> tilt;        // the manual tilt now; nullopt: no manual tilt
  std::optional<int> threshold;         // the sensitivity slider's value; nullopt: no slider
  std::optional<bool> listening;        // the driver is read every poll (false: deaf)
  // --gestures when-playing: true while the player does not play; nullopt: gestures always count.
  std::optional<bool> gesturesPaused;
  bool panelHidden = false;             // the application's window is hidden
  bool watching = false;                // a demo plays: the window takes no input
  bool recording = false;               // --record: the keys N and P label the recording
  bool recordingStopped = false;        // --record: a write failed, the recording ended
  bool operator==(const FooterInfo&) const = default;
};

// The keys and mouse actions of the window, in the language: what F1 or ? shows, and the table
// in docs/running.md.
struct HelpRow {
  std::u16string_view input;
  std::u16string_view action;
};
std::vector<HelpRow> HelpRows(screen::Language language);

class DesktopWindow final : public DesktopView {
 public:
  // Opens a window titled title for a work area of the size given, as large as the display's
  // usable area allows (the screen scaled down to fit, or up on HiDPI displays). The window can
  // be resized; the screen's scale follows. An error when there is no font or no window.
  // REQUIRES: SDL's video is initialised; the window is refreshed only while a handset is
  // current.
  static Result<std::unique_ptr<DesktopWindow>> Create(
      const std::string& title, int workWidth, int workHeight,
      const screen::ScreenRendererOptions& options);
  ~DesktopWindow() override;
  DesktopWindow(const DesktopWindow&) = delete;
  DesktopWindow& operator=(const DesktopWindow&) = delete;

  // Where the footer's contents come from (asked at every refresh).
  void set_footer(std::function<FooterInfo()> footer) { m_footerSource = std::move(footer); }
  // Something the screen shows beyond the windows' state (e.g. a song's elapsed time): when its
  // value changes, the screen is painted again.
  void set_screen_stamp(std::function<std::u16string()> stamp) { m_stamp = std::move(stamp); }

  const DesktopLayout& layout() const override { return m_layout; }
  bool Refresh(const Handset& handset) override;
  void Exposed() override { m_exposed = true; }
  void Resized(int width, int height) override;
  void ShowHelp(bool shown) override;
  bool help_shown() const override { return m_help; }
  int display_fd() const override { return m_displayFd; }

  screen::ScreenRenderer& renderer() { return *m_renderer; }
  // The footer as last drawn (its own pixels: the footer's top-left is 0, 0).
  const screen::Canvas& footer() const { return *m_footer; }
  // The help as last drawn (the window's pixels); null before it was first shown.
  const screen::Canvas* help() const { return m_helpCanvas.get(); }
  SDL_Window* window() { return m_window; }

 private:
  DesktopWindow(SDL_Window* window, POINT work, std::unique_ptr<screen::ScreenRenderer> renderer,
                std::unique_ptr<screen::Canvas> footer);
  void DrawFooter(const FooterInfo& info);
  void DrawReadout(const FooterInfo& info, const RECT& readout);
  void DrawPad(const FooterInfo& info, const RECT& pad);
  // Shows the screen and the footer: the parts that changed, or everything after an expose.
  void Present(bool screenChanged, bool footerChanged);
  void DrawHelp();
  // The screen's pixels at the window's scale.
  SDL_Surface* ScaledScreen(bool screenChanged);

  SDL_Window* m_window;
  POINT m_work;  // the work area's width and height
  DesktopLayout m_layout;
  SDL_Surface* m_scaled = nullptr;
  std::unique_ptr<screen::ScreenRenderer> m_renderer;
  Painter m_painter;
  std::unique_ptr<screen::Canvas> m_footer;
  std::function<FooterInfo()> m_footerSource;
  std::function<std::u16string()> m_stamp;
  std::optional<FooterInfo> m_shownFooter;
  std::u16string m_shownStamp;
  screen::Language m_language = screen::Language::kChinese;
  std::string m_fontPath;
  std::unique_ptr<screen::Canvas> m_helpCanvas;
  bool m_help = false;
  bool m_exposed = true;
  int m_displayFd = -1;
};

}  // namespace host::desktop
