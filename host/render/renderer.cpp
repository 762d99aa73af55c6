#include "host/render/renderer.h"

#include "host/kernel/handset.h"
#include "host/ui/input.h"
#include "host/ui/ui_state.h"

namespace host {

std::vector<Painter::Shown> Painter::ShownWindows(const Handset& handset) {
  std::vector<Shown> shown;
  for (const WindowInfo& info : handset.Windows()) {
    if (info.visible) shown.push_back({info.hwnd, info.rect});
  }
  return shown;
}

bool Painter::Update(const Handset& handset) {
  bool needed = !m_painted || ShownWindows(handset) != m_shown;
  for (const WindowInfo& info : handset.Windows()) {
    CMzWnd* wnd = ui::FindWnd(info.hwnd);
    if (wnd != nullptr && ui::StateOf(*wnd).needsPaint) needed = true;
  }
  if (!needed) return false;
  bool first = !m_painted;
  ScreenView screen = Capture(handset);
  if (!first && screen == m_last) {
    ++m_skipped;
    return false;
  }
  m_last = std::move(screen);
  m_renderer.Paint(m_last);
  return true;
}

void Painter::PaintNow(const Handset& handset) {
  m_last = Capture(handset);
  m_renderer.Paint(m_last);
}

ScreenView Painter::Capture(const Handset& handset) {
  for (const WindowInfo& info : handset.Windows()) {
    if (CMzWnd* wnd = ui::FindWnd(info.hwnd)) ui::MarkPainted(*wnd);
  }
  m_shown = ShownWindows(handset);
  m_painted = true;
  return CaptureScreen(handset);
}

}  // namespace host
