// The handset's screen drawn into pixels: the renderer that a desktop window shows and that
// screenshots are taken with. It draws the work area (its top-left is pixel 0, 0) with the
// visible windows from the bottom up: the UI library's windows with their controls, an open
// pop-up menu over a shaded screen, other programs' windows as a title with lines of content.
// When no window is visible it draws the home screen: one button per installed or running
// program (host/screen/home_screen.h). The application's fixed texts are drawn in the language
// of the options (host/screen/language.h).
//
//   host::Result<std::unique_ptr<ScreenRenderer>> renderer = ScreenRenderer::Create({});
//   host::Painter painter(**renderer);   // repaints when the screen changed
//   painter.Update();
//   host::Status saved = (*renderer)->SavePng("screen.png");
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/render/renderer.h"
#include "host/screen/canvas.h"
#include "host/screen/home_screen.h"
#include "host/screen/language.h"

namespace host::screen {

// The lines another program's window shows under its title, e.g. what the music player plays.
// Empty: the title alone.
using WindowLines = std::function<std::vector<std::u16string>(const WindowView& window)>;

// A button that another program's window shows, in the window's coordinates.
struct WindowButton {
  RECT rect{};
  std::u16string text;
};
using WindowButtons = std::function<std::vector<WindowButton>(const WindowView& window)>;

struct ScreenRendererOptions {
  // The font file; empty: FindCjkFont() (host/screen/font_lookup.h).
  std::string fontPath;
  // May be empty.
  WindowLines windowLines;
  // The buttons another program's window shows under its lines; may be empty.
  WindowButtons windowButtons;
  // The language the screen draws the application's fixed texts in (host/screen/language.h).
  Language language = Language::kChinese;
};

class ScreenRenderer final : public Renderer {
 public:
  // An error when no font is found or SDL_ttf cannot use it. Needs no display and no SDL_Init.
  static Result<std::unique_ptr<ScreenRenderer>> Create(const ScreenRendererOptions& options);

  // Draws the screen at the work area's size. The home screen's programs come from the current
  // handset (none without one). After a paint, only the areas where the screen differs from
  // the last paint are drawn again (host/screen/changed_areas.h), with everything that lies in
  // them in the same order, so the pixels are those of a whole paint; the whole screen when
  // the windows shown changed, another program's window shows other lines or buttons, or the
  // screen is painted again unchanged.
  void Paint(const ScreenView& screen) override;
  // The rectangles the last paint drew, in the canvas's pixels (the whole canvas for a whole
  // paint).
  const std::vector<RECT>& painted() const { return m_painted; }

  // The pixels of the last paint.
  Canvas& canvas() { return *m_canvas; }
  const Canvas& canvas() const { return *m_canvas; }
  // The texts of the screen with their boxes, in the work area's pixels (as a whole paint
  // records them, also after a paint of some areas).
  const std::vector<TextBox>& texts() const { return m_canvas->texts(); }
  // The programs on the home screen of the last paint; empty when a window was visible.
  const std::vector<ProgramView>& home() const { return m_home; }
  int paints() const { return m_paints; }

  // Writes the last paint as a PNG file.
  Status SavePng(const std::string& path);

 private:
  ScreenRenderer(std::unique_ptr<Canvas> canvas, ScreenRendererOptions options);
  // Draws the windows; returns whether one was visible.
  bool PaintWindows(const ScreenView& screen);
  // What other programs' visible windows show besides their view: lines and buttons.
  std::vector<std::u16string> ForeignContent(const ScreenView& screen) const;
  void PaintMenu(const WindowView& menu, const RECT& rect);
  void PaintForeign(const WindowView& window, const RECT& rect);
  void PaintWindowButtons(const WindowView& window, const RECT& rect);
  void PaintHome(const ScreenView& screen);

  std::unique_ptr<Canvas> m_canvas;
  ScreenRendererOptions m_options;
  std::vector<ProgramView> m_home;
  int m_paints = 0;
  std::optional<ScreenView> m_last;  // as painted last, translated
  std::vector<std::u16string> m_foreign;  // ForeignContent of the last paint
  std::vector<RECT> m_painted;
};

// The screen with the application's fixed texts in the language (host/screen/language.h):
// control texts, toolbar buttons, menu items and window titles.
ScreenView Translated(ScreenView screen, Language language);

// Draws the screen once and writes it as a PNG file at path.
Status SaveScreenshot(const ScreenView& screen, const std::string& path,
                      const ScreenRendererOptions& options = {});

}  // namespace host::screen
