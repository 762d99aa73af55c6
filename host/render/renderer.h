// Renderers draw what the screen shows; the controls only keep state. A renderer gets a
// ScreenView (host/render/control_view.h): the work area and every window from the bottom up,
// each with its control tree, so the same screen draws into a desktop window, an image or
// nothing.
#pragma once

#include <cstdint>
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

// Repaints when what the screen shows is not the same as at the last paint. An application that
// invalidates without changing anything (e.g. the same status text every tick) costs no paint,
// nor a snapshot: the painter first checks the change count of host/kernel/screen_generation.h
// and the window records (their order, places, titles, shown or not), which needs no copy and no
// allocation; only when one of them moved does it take a snapshot and compare it with the last
// paint. Call Update after each message, or once per frame.
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
  // How many snapshots of the screen it took.
  int captures() const { return m_captures; }

 private:
  // Whether the work area and the window records are those of the last paint.
  bool SameWindows(const Handset& handset) const;
  static void MarkPainted(const Handset& handset);
  // Marks the windows painted and takes what the screen shows now.
  ScreenView Capture(const Handset& handset);

  Renderer& m_renderer;
  bool m_painted = false;
  std::uint64_t m_generation = 0;  // the change count at the last snapshot
  ScreenView m_last;               // as painted last
  int m_skipped = 0;
  int m_captures = 0;
};

}  // namespace host
