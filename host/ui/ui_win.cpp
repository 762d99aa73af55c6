// The controls: state, tree and geometry. Pointer behaviour is in host/ui/pointer.cpp.
#include <algorithm>
#include <string>

#include <nlohmann/json.hpp>

#include "host/kernel/handset.h"
#include "host/crt/utf.h"
#include "platform/mzfc.h"

namespace {

// The control in trace events: its id, or "@X,Y" (its place in its parent) when it has none.
nlohmann::ordered_json TraceName(const UiWin& control) {
  if (control.GetID() != 0) return control.GetID();
  RECT pos = control.position();
  std::string name = "@";
  name += std::to_string(pos.left);
  name += ',';
  name += std::to_string(pos.top);
  return name;
}

}  // namespace

// ---- UiWin

UiWin::UiWin() : UiWin(UiKind::kWin) {}

UiWin::UiWin(UiKind kind) : m_kind(kind) {}

UiWin::~UiWin() {
  if (CMzWnd* wnd = window()) wnd->ForgetControl(this);
  Detach();
  for (UiWin* child : m_children) child->m_parent = nullptr;
}

void UiWin::Detach() {
  if (m_parent != nullptr) {
    auto& siblings = m_parent->m_children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    m_parent->ClampScroll();
    m_parent->RequestRepaint();
    m_parent = nullptr;
  }
  if (m_window != nullptr) {
    auto& controls = m_window->m_controls;
    controls.erase(std::remove(controls.begin(), controls.end(), this), controls.end());
    m_window->RequestRepaint();
    m_window = nullptr;
  }
}

void UiWin::SetID(int nID) {
  if (m_id == nID) return;
  m_id = nID;
  RequestRepaint();
}

int UiWin::GetID() const { return m_id; }

bool UiWin::IsAncestorOf(const UiWin* other) const {
  for (const UiWin* p = other; p != nullptr; p = p->m_parent) {
    if (p == this) return true;
  }
  return false;
}

void UiWin::AddChild(UiWin* pChild) {
  if (pChild == nullptr || pChild->m_parent == this || pChild->IsAncestorOf(this)) return;
  if (CMzWnd* old = pChild->window()) old->ForgetControl(pChild);
  pChild->Detach();
  pChild->m_parent = this;
  m_children.push_back(pChild);
  ClampScroll();
  RequestRepaint();
}

void UiWin::SetDrawTextFormat(DWORD format) {
  if (m_format == format) return;
  m_format = format;
  RequestRepaint();
}

void UiWin::EnableScrollBarV(bool bEnable) {
  if (m_scrollBarV == bEnable) return;
  m_scrollBarV = bEnable;
  ClampScroll();
  RequestRepaint();
}

RECT UiWin::GetRect() { return static_cast<const UiWin&>(*this).GetRect(); }

RECT UiWin::GetRect() const {
  int x = m_x;
  int y = m_y;
  for (const UiWin* p = m_parent; p != nullptr; p = p->m_parent) {
    x += p->m_x;
    y += p->m_y - p->m_scrollOffset;
  }
  return {x, y, x + m_width, y + m_height};
}

void UiWin::SetPos(int x, int y, int w, int h, UINT) {
  if (m_x == x && m_y == y && m_width == w && m_height == h) return;
  m_x = x;
  m_y = y;
  m_width = w;
  m_height = h;
  ClampScroll();
  if (m_parent != nullptr) m_parent->ClampScroll();
  RequestRepaint();
}

void UiWin::SetEnable(bool bEnable) {
  if (m_enabled == bEnable) return;
  m_enabled = bEnable;
  RequestRepaint();
}

void UiWin::SetText(const WCHAR* text) {
  std::u16string_view value = text != nullptr ? std::u16string_view(text) : std::u16string_view();
  // Every call is traced, also one that keeps the text: the trace records what the system did.
  if (host::Handset* handset = host::Handset::CurrentOrNull()) {
    handset->Emit("text", [&] {
      return host::TraceFields{{"ctl", TraceName(*this)}, {"text", host::ToUtf8(value)}};
    });
  }
  if (m_text == value) return;
  m_text = value;
  RequestRepaint();
}

bool UiWin::IsEnabledInTree() const {
  for (const UiWin* p = this; p != nullptr; p = p->m_parent) {
    if (!p->m_enabled) return false;
  }
  return true;
}

CMzWnd* UiWin::window() const {
  const UiWin* top = this;
  while (top->m_parent != nullptr) top = top->m_parent;
  return top->m_window;
}

int UiWin::ContentHeight() const {
  int bottom = 0;
  for (const UiWin* child : m_children) bottom = std::max(bottom, child->m_y + child->m_height);
  return bottom;
}

int UiWin::MaxScrollOffset() const {
  if (!m_scrollBarV) return 0;
  return std::max(0, ContentHeight() - m_height);
}

bool UiWin::ScrollTo(int offset) {
  offset = std::clamp(offset, 0, MaxScrollOffset());
  if (offset == m_scrollOffset) return false;
  m_scrollOffset = offset;
  RequestRepaint();
  return true;
}

void UiWin::ClampScroll() { ScrollTo(m_scrollOffset); }

void UiWin::RequestRepaint() {
  if (CMzWnd* wnd = window()) wnd->RequestRepaint();
}

// ---- UiToolbar_Text

UiToolbar_Text::UiToolbar_Text() : UiWin(UiKind::kToolbar) {}

void UiToolbar_Text::SetButton(int index, bool bEnable, bool bVisible, const WCHAR* text) {
  if (index < 0 || index >= kMaxButtons) return;
  Button button{text != nullptr ? std::u16string(text) : std::u16string(), bEnable, bVisible};
  if (static_cast<std::size_t>(index) < m_buttons.size()) {
    Button& old = m_buttons[index];
    if (old.text == button.text && old.enabled == bEnable && old.visible == bVisible) return;
  } else {
    m_buttons.resize(index + 1);
  }
  m_buttons[index] = std::move(button);
  RequestRepaint();
}

int UiToolbar_Text::ButtonAt(int x) const {
  RECT rect = GetRect();
  int width = rect.right - rect.left;
  if (m_buttons.empty() || width <= 0 || x < rect.left || x >= rect.right) return -1;
  return static_cast<int>(static_cast<long long>(x - rect.left) *
                          static_cast<long long>(m_buttons.size()) / width);
}

// ---- UiButton

UiButton::UiButton() : UiWin(UiKind::kButton) {}

void UiButton::SetButtonType(int type) {
  if (m_type == type) return;
  m_type = type;
  RequestRepaint();
}

void UiButton::SetButtonMode(int mode) {
  if (m_mode == mode) return;
  m_mode = mode;
  RequestRepaint();
}

void UiButton::SetState(DWORD state) {
  if (m_state == state) return;
  m_state = state;
  RequestRepaint();
}

DWORD UiButton::GetState() { return m_state; }

// ---- CUiStatusBar

CUiStatusBar::CUiStatusBar() : UiWin(UiKind::kSlider) {}

void CUiStatusBar::SetRange(int minimum, int maximum) {
  maximum = std::max(minimum, maximum);
  if (m_min == minimum && m_max == maximum) return;
  m_min = minimum;
  m_max = maximum;
  m_pos = std::clamp(m_pos, m_min, m_max);
  RequestRepaint();
}

void CUiStatusBar::SetPadpos(int pos) {
  pos = std::clamp(pos, m_min, m_max);
  if (m_pos == pos) return;
  m_pos = pos;
  RequestRepaint();
}

int CUiStatusBar::GetPadpos() { return m_pos; }

int CUiStatusBar::PadposAt(int x) const {
  RECT rect = GetRect();
  long long width = rect.right - rect.left;
  if (width <= 0) return m_min;
  long long offset = std::clamp<long long>(x - rect.left, 0, width);
  long long span = static_cast<long long>(m_max) - m_min;
  return m_min + static_cast<int>((offset * span + width / 2) / width);
}

// ---- The rest

UiStatic::UiStatic() : UiWin(UiKind::kStatic) {}

UiCaption::UiCaption() : UiWin(UiKind::kCaption) {}

UiScrollWin::UiScrollWin() : UiWin(UiKind::kScroll) {}
