// The controls: state, tree and geometry. Pointer behaviour is in host/ui/pointer.cpp.
#include <algorithm>
#include <string>

#include <nlohmann/json.hpp>

#include "host/crt/utf.h"
#include "host/kernel/handset.h"
#include "host/kernel/screen_generation.h"
#include "host/ui/ui_library.h"
#include "host/ui/ui_state.h"
#include "platform/mzfc.h"

using host::ui::Access;
using host::ui::ControlState;

namespace {

// The control in trace events: its id, or "@X,Y" (its place in its parent) when it has none.
nlohmann::ordered_json TraceName(const ControlState& control) {
  if (control.id != 0) return control.id;
  std::string name = "@";
  name += std::to_string(control.x);
  name += ',';
  name += std::to_string(control.y);
  return name;
}

bool IsAncestorOf(const UiWin& control, const UiWin* other) {
  for (const UiWin* p = other; p != nullptr; p = Access::Of(*p).parent) {
    if (p == &control) return true;
  }
  return false;
}

void ClampScroll(UiWin& control) {
  host::ui::ScrollTo(control, Access::Of(control).scrollOffset);
}

// Sets field to value and repaints, unless it holds value already.
template <class T, class V>
void Change(const UiWin& control, T& field, const V& value) {
  if (field == value) return;
  field = value;
  host::ui::RequestRepaint(control);
}

}  // namespace

namespace host::ui {

RECT RectOf(const UiWin& control) {
  const ControlState& state = Access::Of(control);
  int x = state.x;
  int y = state.y;
  for (const UiWin* p = state.parent; p != nullptr; p = Access::Of(*p).parent) {
    const ControlState& parent = Access::Of(*p);
    x += parent.x;
    y += parent.y - parent.scrollOffset;
  }
  return {x, y, x + state.width, y + state.height};
}

bool IsEnabledInTree(const UiWin& control) {
  for (const UiWin* p = &control; p != nullptr; p = Access::Of(*p).parent) {
    if (!Access::Of(*p).enabled) return false;
  }
  return true;
}

CMzWnd* WindowOf(const UiWin& control) {
  const UiWin* top = &control;
  while (Access::Of(*top).parent != nullptr) top = Access::Of(*top).parent;
  return Access::Of(*top).window;
}

int ContentHeight(const UiWin& control) {
  int bottom = 0;
  for (const UiWin* child : Access::Of(control).children) {
    const ControlState& state = Access::Of(*child);
    bottom = std::max(bottom, state.y + state.height);
  }
  return bottom;
}

int MaxScrollOffset(const UiWin& control) {
  const ControlState& state = Access::Of(control);
  if (!state.scrollBar) return 0;
  return std::max(0, ContentHeight(control) - state.height);
}

bool ScrollTo(UiWin& control, int offset) {
  offset = std::clamp(offset, 0, MaxScrollOffset(control));
  ControlState& state = Access::Of(control);
  if (offset == state.scrollOffset) return false;
  state.scrollOffset = offset;
  RequestRepaint(control);
  return true;
}

int ToolbarButtonAt(const UiToolbar_Text& toolbar, int x) {
  RECT rect = RectOf(toolbar);
  int width = rect.right - rect.left;
  std::size_t count = Access::Of(toolbar).buttons.size();
  if (count == 0 || width <= 0 || x < rect.left || x >= rect.right) return -1;
  return static_cast<int>(static_cast<long long>(x - rect.left) * static_cast<long long>(count) /
                          width);
}

int PadposAt(const CUiStatusBar& slider, int x) {
  const ControlState& state = Access::Of(slider);
  RECT rect = RectOf(slider);
  long long width = rect.right - rect.left;
  if (width <= 0) return state.sliderMin;
  long long offset = std::clamp<long long>(x - rect.left, 0, width);
  long long span = static_cast<long long>(state.sliderMax) - state.sliderMin;
  return state.sliderMin + static_cast<int>((offset * span + width / 2) / width);
}

void RequestRepaint(const UiWin& control) {
  ScreenChanged();  // also out of any window: it may be added to one later
  if (CMzWnd* wnd = WindowOf(control)) RequestRepaint(*wnd);
}

void Detach(UiWin& control) {
  ControlState& state = Access::Of(control);
  if (state.parent != nullptr) {
    auto& siblings = Access::Of(*state.parent).children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), &control), siblings.end());
    ClampScroll(*state.parent);
    RequestRepaint(*state.parent);
    state.parent = nullptr;
  }
  if (state.window != nullptr) {
    auto& controls = Access::Of(*state.window).controls;
    controls.erase(std::remove(controls.begin(), controls.end(), &control), controls.end());
    RequestRepaint(*state.window);
    state.window = nullptr;
  }
}

}  // namespace host::ui

// ---- UiWin

UiWin::UiWin() : m_state(std::make_unique<ControlState>()) {}

UiWin::~UiWin() {
  if (CMzWnd* wnd = host::ui::WindowOf(*this)) host::ui::ForgetControl(*wnd, this);
  host::ui::Detach(*this);
  for (UiWin* child : m_state->children) Access::Of(*child).parent = nullptr;
}

void UiWin::SetID(int nID) { Change(*this, m_state->id, nID); }

void UiWin::AddChild(UiWin* pChild) {
  if (pChild == nullptr || Access::Of(*pChild).parent == this || IsAncestorOf(*pChild, this)) {
    return;
  }
  if (CMzWnd* old = host::ui::WindowOf(*pChild)) host::ui::ForgetControl(*old, pChild);
  host::ui::Detach(*pChild);
  Access::Of(*pChild).parent = this;
  m_state->children.push_back(pChild);
  ClampScroll(*this);
  host::ui::RequestRepaint(*this);
}

void UiWin::SetDrawTextFormat(DWORD format) {
  Change(*this, m_state->format, std::optional<DWORD>(format));
}

void UiWin::EnableScrollBarV(bool bEnable) {
  if (m_state->scrollBar == bEnable) return;
  m_state->scrollBar = bEnable;
  ClampScroll(*this);
  host::ui::RequestRepaint(*this);
}

RECT UiWin::GetRect() { return host::ui::RectOf(*this); }

void UiWin::SetPos(int x, int y, int w, int h, UINT) {
  ControlState& state = *m_state;
  if (state.x == x && state.y == y && state.width == w && state.height == h) return;
  state.x = x;
  state.y = y;
  state.width = w;
  state.height = h;
  ClampScroll(*this);
  if (state.parent != nullptr) ClampScroll(*state.parent);
  host::ui::RequestRepaint(*this);
}

void UiWin::SetEnable(bool bEnable) { Change(*this, m_state->enabled, bEnable); }

void UiWin::SetText(const WCHAR* text) {
  std::u16string_view value = text != nullptr ? std::u16string_view(text) : std::u16string_view();
  // Every call is traced, also one that keeps the text: the trace records what the system did.
  // A trace that follows only changes is spared the repeats (the poll's status every 100 ms).
  host::Handset* handset = host::Handset::CurrentOrNull();
  if (handset != nullptr && (value != m_state->text || handset->TracesRepeats("text"))) {
    handset->Emit("text", [&] {
      return host::TraceFields{{"ctl", TraceName(*m_state)}, {"text", host::ToUtf8(value)}};
    });
  }
  Change(*this, m_state->text, value);
}

// ---- UiToolbar_Text

UiToolbar_Text::UiToolbar_Text() { Access::Of(*this).kind = host::UiKind::kToolbar; }

void UiToolbar_Text::SetButton(int index, bool bEnable, bool bVisible, const WCHAR* text) {
  if (index < 0 || index >= host::ui::kMaxToolbarButtons) return;
  auto& buttons = Access::Of(*this).buttons;
  host::ui::ToolbarButton button{text != nullptr ? std::u16string(text) : std::u16string(),
                                 bEnable, bVisible};
  if (static_cast<std::size_t>(index) < buttons.size()) {
    host::ui::ToolbarButton& old = buttons[index];
    if (old.text == button.text && old.enabled == bEnable && old.visible == bVisible) return;
  } else {
    buttons.resize(index + 1);
  }
  buttons[index] = std::move(button);
  host::ui::RequestRepaint(*this);
}

// ---- UiButton

UiButton::UiButton() { Access::Of(*this).kind = host::UiKind::kButton; }

void UiButton::SetButtonType(int type) { Change(*this, Access::Of(*this).buttonType, type); }

void UiButton::SetButtonMode(int mode) { Change(*this, Access::Of(*this).buttonMode, mode); }

void UiButton::SetState(DWORD state) { Change(*this, Access::Of(*this).buttonState, state); }

DWORD UiButton::GetState() { return Access::Of(*this).buttonState; }

// ---- CUiStatusBar

CUiStatusBar::CUiStatusBar() { Access::Of(*this).kind = host::UiKind::kSlider; }

void CUiStatusBar::SetRange(int minimum, int maximum) {
  ControlState& state = Access::Of(*this);
  maximum = std::max(minimum, maximum);
  if (state.sliderMin == minimum && state.sliderMax == maximum) return;
  state.sliderMin = minimum;
  state.sliderMax = maximum;
  state.sliderPos = std::clamp(state.sliderPos, minimum, maximum);
  host::ui::RequestRepaint(*this);
}

void CUiStatusBar::SetPadpos(int pos) {
  const ControlState& state = Access::Of(*this);
  Change(*this, Access::Of(*this).sliderPos, std::clamp(pos, state.sliderMin, state.sliderMax));
}

int CUiStatusBar::GetPadpos() { return Access::Of(*this).sliderPos; }

// ---- The rest

UiStatic::UiStatic() { Access::Of(*this).kind = host::UiKind::kStatic; }

UiCaption::UiCaption() { Access::Of(*this).kind = host::UiKind::kCaption; }

UiScrollWin::UiScrollWin() { Access::Of(*this).kind = host::UiKind::kScroll; }
