// panel_screenshot OUT.png: runs Quorvane headless on a fresh handset (virtual time, a new
// settings file) until its control panel has been drawn after start-up, writes the screen as a
// PNG file and checks the drawing: every control's text drawn once inside its control, the
// toolbar's buttons in their slots, each switch in the colour of its state. Exit status 0 when
// the file is written and every check holds; the failed checks are listed on stderr.

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "host/crt/utf.h"
#include "host/drivers/accelerometer.h"
#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "host/programs/music_player.h"
#include "host/render/renderer.h"
#include "host/screen/control_painter.h"
#include "host/screen/screen_renderer.h"
#include "host/screen/theme.h"
#include "tests/host/screen/panel_fixture.h"
#include "tests/support/temp_folder.h"
#include "tools/quorvane_program.h"

namespace {

namespace fs = std::filesystem;
using host::ControlView;
using host::screen::Intersect;
using host::screen::Offset;
using host::screen::TextBox;

using host::screen_test::Inside;
using host::screen_test::Str;

class Checks {
 public:
  Checks(const host::screen::ScreenRenderer& renderer, std::ostream& err)
      : m_renderer(renderer), m_err(err) {}

  void TextIn(const std::u16string& text, const RECT& where, const std::string& what) {
    if (text.empty()) return;
    int found = 0;
    for (const TextBox& box : m_renderer.texts()) {
      if (box.text != text) continue;
      ++found;
      if (!Inside(box.box, where)) {
        Fail(what + " \"" + host::ToUtf8(text) + "\" drawn at " + Str(box.box) + ", outside " +
             Str(where));
      }
    }
    if (found != 1) {
      Fail(what + " \"" + host::ToUtf8(text) + "\" drawn " + std::to_string(found) + " times");
    }
  }

  void Control(const ControlView& control, POINT origin, const RECT& screen) {
    RECT rect = Intersect(Offset(control.rect, origin.x, origin.y), screen);
    std::string what = std::string(host::KindName(control.kind)) + " " +
                       std::to_string(control.id);
    TextIn(control.text, rect, what);
    int count = static_cast<int>(control.buttons.size());
    for (int i = 0; i < count; ++i) {
      if (control.buttons[i].visible) {
        TextIn(control.buttons[i].text, host::screen::ToolbarSlot(rect, i, count),
               "toolbar button " + std::to_string(i));
      }
    }
    if (control.kind == host::UiKind::kButton && control.buttonType == 11) {
      RECT track = host::screen::SwitchTrack(rect);
      bool on = control.buttonState == 1;
      POINT bare = on ? POINT{track.left + 8, (track.top + track.bottom) / 2}
                      : POINT{track.right - 8, (track.top + track.bottom) / 2};
      host::screen::Rgb expected = on ? host::screen::theme::kSwitchOn
                                      : host::screen::theme::kSwitchOff;
      if (!(m_renderer.canvas().PixelAt(bare.x, bare.y) == expected)) {
        Fail(what + (on ? " is on but not drawn on" : " is off but not drawn off"));
      }
    }
    for (const ControlView& child : control.children) Control(child, origin, screen);
  }

  int failures() const { return m_failures; }

 private:
  void Fail(const std::string& message) {
    m_err << "panel_screenshot: " << message << '\n';
    ++m_failures;
  }

  const host::screen::ScreenRenderer& m_renderer;
  std::ostream& m_err;
  int m_failures = 0;
};

// Draws the screen the first time the application waits for input, then ends it.
class FirstWait final : public host::InputSource {
 public:
  FirstWait(host::Handset& handset, host::Painter& painter)
      : m_handset(handset), m_painter(painter) {}
  bool Idle(std::int64_t) override {
    if (m_screen) return false;
    m_painter.PaintNow(m_handset);
    m_screen = host::CaptureScreen(m_handset);
    m_handset.RequestQuit(0);
    return true;
  }
  const std::optional<host::ScreenView>& screen() const { return m_screen; }

 private:
  host::Handset& m_handset;
  host::Painter& m_painter;
  std::optional<host::ScreenView> m_screen;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: panel_screenshot OUT.png\n";
    return 2;
  }
  host::Result<std::unique_ptr<host::screen::ScreenRenderer>> made =
      host::screen::ScreenRenderer::Create({});
  if (!made) {
    std::cerr << "panel_screenshot: " << made.error().message() << '\n';
    return 1;
  }
  std::unique_ptr<host::screen::ScreenRenderer> renderer = *std::move(made);
  std::optional<host::ScreenView> screen;
  {
    test_support::TempFolder temp("quorvane-shot");
    const std::string root = temp.string();
    host::VirtualClock clock;
    host::Handset handset(clock, root);
    host::SimulatedAccelerometer sensor;
    host::AccelerometerDriver driver(sensor);
    handset.RegisterDevice(host::kAccelerometerName, &driver);
    host::programs::MusicPlayerService player(handset, host::programs::BuiltInSongs());
    host::Painter painter(*renderer);
    FirstWait input(handset, painter);
    handset.set_input(&input);
    host::launch::Executable application = QuorvaneExecutable();
    host::launch::RunToExit(handset, application.make(), application.path);
    handset.set_input(nullptr);
    handset.RegisterDevice(host::kAccelerometerName, nullptr);
    screen = input.screen();
  }
  if (!screen) {
    std::cerr << "panel_screenshot: the application never waited for input\n";
    return 1;
  }
  if (host::Status saved = renderer->SavePng(argv[1]); !saved) {
    std::cerr << "panel_screenshot: " << saved.error().message() << '\n';
    return 1;
  }

  Checks checks(*renderer, std::cerr);
  RECT full{0, 0, renderer->canvas().width(), renderer->canvas().height()};
  int windows = 0;
  for (const host::WindowView& window : screen->windows) {
    if (!window.visible) continue;
    ++windows;
    POINT origin{window.rect.left - screen->workArea.left, window.rect.top - screen->workArea.top};
    for (const ControlView& control : window.controls) checks.Control(control, origin, full);
  }
  if (windows != 1) {
    std::cerr << "panel_screenshot: " << windows << " windows visible, expected the panel\n";
    return 1;
  }
  return checks.failures() == 0 ? 0 : 1;
}
