// Renderers draw what the screen shows; the controls only keep state. A renderer gets a
// ScreenView (host/render/control_view.h): the work area and every window from the bottom up,
// each with its control tree, so the same screen draws into a desktop window, an image or
// nothing.
#pragma once

#include <vector>

#include "host/render/control_view.h"

namespace host {

class Renderer {
 public:
  virtual ~Renderer() = default;
  // Draws the whole screen. Windows come bottom first; an invisible one is to be skipped.
  virtual void Paint(const ScreenView& screen) = 0;
};

// Draws nothing; counts the paints and keeps the last screen (tests, runs without a display).
class HeadlessRenderer final : public Renderer {
 public:
  void Paint(const ScreenView& screen) override {
    ++m_paints;
    m_last = screen;
  }
  int paints() const { return m_paints; }
  const ScreenView& last() const { return m_last; }

 private:
  int m_paints = 0;
  ScreenView m_last;
};

// Repaints when the screen needs it: a window of ours asked for a repaint (control changes,
// Invalidate, Show) or the windows shown, their places or their order changed, and what the
// screen shows is not the same as at the last paint (an application that invalidates without
// changing anything, e.g. the same status text every tick, costs no paint). Call Update after
// each message, or once per frame.
class Painter {
 public:
  // REQUIRES: renderer outlives the painter.
  explicit Painter(Renderer& renderer) : m_renderer(renderer) {}
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  // Paints the handset's screen if needed; returns whether it did. REQUIRES: the handset is
  // current (its windows' objects are looked up).
  bool Update(const Handset& handset);
  // Paints now, needed or not.
  void PaintNow(const Handset& handset);
  // How often Update found a repaint asked for but nothing visible changed.
  int skipped() const { return m_skipped; }

 private:
  struct Shown {
    HWND hwnd;
    RECT rect;
    bool operator==(const Shown& o) const {
      return hwnd == o.hwnd && rect.left == o.rect.left && rect.top == o.rect.top &&
             rect.right == o.rect.right && rect.bottom == o.rect.bottom;
    }
  };
  static std::vector<Shown> ShownWindows(const Handset& handset);

  // Marks the windows painted and takes what the screen shows now.
  ScreenView Capture(const Handset& handset);

  Renderer& m_renderer;
  bool m_painted = false;
  std::vector<Shown> m_shown;
  ScreenView m_last;  // as painted last
  int m_skipped = 0;
};

}  // namespace host
