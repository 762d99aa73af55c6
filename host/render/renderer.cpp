#include "host/render/renderer.h"

#include "host/kernel/handset.h"
#include "host/ui/input.h"
#include "host/ui/ui_state.h"

namespace host {

std::vector<Painter::Shown> Painter::ShownWindows() {
  std::vector<Shown> shown;
  for (const WindowInfo& info : Handset::Current().Windows()) {
    if (info.visible) shown.push_back({info.hwnd, info.rect});
  }
  return shown;
}

bool Painter::Update() {
  bool needed = !m_painted || ShownWindows() != m_shown;
  for (const WindowInfo& info : Handset::Current().Windows()) {
    CMzWnd* wnd = ui::FindWnd(info.hwnd);
    if (wnd != nullptr && ui::StateOf(*wnd).needsPaint) needed = true;
  }
  if (!needed) return false;
  bool first = !m_painted;
  ScreenView screen = Capture();
  if (!first && screen == m_last) {
    ++m_skipped;
    return false;
  }
  m_last = std::move(screen);
  m_renderer.Paint(m_last);
  return true;
}

void Painter::PaintNow() {
  m_last = Capture();
  m_renderer.Paint(m_last);
}

ScreenView Painter::Capture() {
  for (const WindowInfo& info : Handset::Current().Windows()) {
    if (CMzWnd* wnd = ui::FindWnd(info.hwnd)) ui::MarkPainted(*wnd);
  }
  m_shown = ShownWindows();
  m_painted = true;
  return CaptureScreen();
}

}  // namespace host
