#include "host/render/renderer.h"

#include "host/kernel/handset.h"
#include "host/ui/input.h"

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
    if (wnd != nullptr && wnd->needs_paint()) needed = true;
  }
  if (!needed) return false;
  PaintNow();
  return true;
}

void Painter::PaintNow() {
  for (const WindowInfo& info : Handset::Current().Windows()) {
    if (CMzWnd* wnd = ui::FindWnd(info.hwnd)) wnd->MarkPainted();
  }
  m_shown = ShownWindows();
  m_painted = true;
  m_renderer.Paint(CaptureScreen());
}

}  // namespace host
