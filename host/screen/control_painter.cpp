#include "host/screen/control_painter.h"

#include <algorithm>

#include "host/screen/theme.h"

namespace host::screen {
namespace {

constexpr int kSwitchTrackWidth = 84;
constexpr int kSwitchTrackHeight = 40;
constexpr int kSwitchKnobGap = 3;
constexpr int kSliderInset = 18;  // the pad's radius: it stays inside the slider
constexpr int kSliderTrackHeight = 6;
constexpr int kScrollBarWidth = 6;
constexpr int kButtonMargin = 6;

constexpr DWORD kDtBottom = 0x8;

TextStyle StyleFor(const ControlView& control, HAlign halign, VAlign valign, Rgb colour) {
  TextStyle style;
  style.size = theme::kTextSize;
  style.colour = colour;
  style.halign = halign;
  style.valign = valign;
  if (control.format) {
    DWORD f = *control.format;
    style.halign = (f & DT_CENTER) != 0 ? HAlign::kCentre
                   : (f & DT_RIGHT) != 0 ? HAlign::kRight
                                         : HAlign::kLeft;
    style.valign = (f & DT_VCENTER) != 0 ? VAlign::kCentre
                   : (f & kDtBottom) != 0 ? VAlign::kBottom
                                          : VAlign::kTop;
  }
  return style;
}

// The box a text is aligned in: the rect less some room on the side it leans against.
RECT TextArea(const RECT& rect, const TextStyle& style) {
  RECT area = rect;
  if (style.halign == HAlign::kLeft) area.left += theme::kTextPadding;
  if (style.halign == HAlign::kRight) area.right -= theme::kTextPadding;
  return area;
}

void DrawText(Canvas& canvas, const ControlView& control, const RECT& rect, TextStyle style) {
  canvas.Text(control.text, TextArea(rect, style), style);
}

bool IsSwitch(const ControlView& button) {
  return button.buttonType == UiButton::kTypeSwitch || button.buttonMode == UiButton::kModeSwitch;
}

void PaintSwitch(Canvas& canvas, const ControlView& button, const RECT& rect) {
  bool on = button.buttonState == UiButton::kStateOn;
  RECT track = SwitchTrack(rect);
  canvas.FillRounded(track, Height(track) / 2, on ? theme::kSwitchOn : theme::kSwitchOff);
  int knob = Height(track) / 2 - kSwitchKnobGap;
  int cx = on ? track.right - kSwitchKnobGap - knob : track.left + kSwitchKnobGap + knob;
  canvas.FillCircle(cx, (track.top + track.bottom) / 2, knob, theme::kSwitchKnob);
  if (!button.enabled) canvas.Shade(track, theme::kWindow, 120);
  if (!button.text.empty()) {
    RECT left{rect.left, rect.top, track.left, rect.bottom};
    DrawText(canvas, button, left,
             StyleFor(button, HAlign::kRight, VAlign::kCentre,
                      button.enabled ? theme::kText : theme::kTextDisabled));
  }
}

void PaintButton(Canvas& canvas, const ControlView& button, const RECT& rect) {
  if (IsSwitch(button)) {
    PaintSwitch(canvas, button, rect);
    return;
  }
  RECT face = Inset(rect, kButtonMargin, kButtonMargin);
  Rgb text = theme::kText;
  if (!button.enabled) {
    canvas.FillRounded(face, 10, theme::kButtonEdge);
    canvas.FillRounded(Inset(face, 1, 1), 9, theme::kButtonDisabled);
    text = theme::kTextDisabled;
  } else if (button.buttonType == UiButton::kTypeAction) {
    canvas.FillRounded(face, 10, theme::kButtonAction);
    text = theme::kTextOnDark;
  } else {
    canvas.FillRounded(face, 10, theme::kButtonEdge);
    canvas.FillRounded(Inset(face, 1, 1), 9, theme::kButton);
  }
  DrawText(canvas, button, face, StyleFor(button, HAlign::kCentre, VAlign::kCentre, text));
}

void PaintSlider(Canvas& canvas, const ControlView& slider, const RECT& rect) {
  int cy = (rect.top + rect.bottom) / 2;
  int span = slider.sliderMax - slider.sliderMin;
  int width = Width(rect);
  // The pad sits where a press would put it (CUiStatusBar::PadposAt), kept inside the slider.
  int x = rect.left + (span > 0 ? static_cast<int>(static_cast<long long>(slider.sliderPos -
                                                                          slider.sliderMin) *
                                                   width / span)
                                : 0);
  x = std::clamp(x, rect.left + kSliderInset, std::max(rect.left + kSliderInset,
                                                       rect.right - kSliderInset));
  RECT track{rect.left + kSliderInset, cy - kSliderTrackHeight / 2, rect.right - kSliderInset,
             cy + kSliderTrackHeight / 2};
  canvas.FillRounded(track, kSliderTrackHeight / 2, theme::kSliderTrack);
  canvas.FillRounded({track.left, track.top, x, track.bottom}, kSliderTrackHeight / 2,
                     slider.enabled ? theme::kSliderFill : theme::kTextDisabled);
  canvas.FillCircle(x, cy, kSliderInset - 2,
                    slider.enabled ? theme::kSliderPad : theme::kTextDisabled);
  canvas.FillCircle(x, cy, 6, theme::kSwitchKnob);
}

void PaintToolbar(Canvas& canvas, const ControlView& toolbar, const RECT& rect) {
  canvas.Fill(rect, theme::kToolbar);
  int count = static_cast<int>(toolbar.buttons.size());
  for (int i = 0; i < count; ++i) {
    const ui::ToolbarButton& button = toolbar.buttons[i];
    RECT slot = ToolbarSlot(rect, i, count);
    if (i > 0) {
      canvas.Fill({slot.left, rect.top + 14, slot.left + 1, rect.bottom - 14},
                  theme::kToolbarRule);
    }
    if (!button.visible) continue;
    TextStyle style;
    style.size = theme::kTextSize;
    style.colour = button.enabled && toolbar.enabled ? theme::kTextOnDark : theme::kTextDisabled;
    style.halign = HAlign::kCentre;
    canvas.Text(button.text, slot, style);
  }
}

void PaintScrollBar(Canvas& canvas, const ControlView& container, const RECT& rect,
                    POINT origin) {
  std::optional<RECT> thumb = ScrollThumb(container);
  if (!thumb) return;
  canvas.Fill({rect.right - kScrollBarWidth, rect.top, rect.right, rect.bottom},
              theme::kScrollTrack);
  canvas.FillRounded(Offset(*thumb, origin.x, origin.y), kScrollBarWidth / 2,
                     theme::kScrollThumb);
}

// Where a label's text may go: its rect, up to the first control added after it in its row. The
// application lays its labels as wide as the window, under the slider or the switch of their
// row, which is drawn over them; a long text is fitted into the part left free.
RECT TextRoom(const std::vector<ControlView>& siblings, std::size_t index) {
  RECT room = siblings[index].rect;
  for (std::size_t i = index + 1; i < siblings.size(); ++i) {
    const RECT& other = siblings[i].rect;
    bool sameRow = other.top < room.bottom && other.bottom > room.top;
    if (sameRow && other.left > room.left && other.left < room.right) room.right = other.left;
  }
  return room;
}

// room: where the control's text may go (see TextRoom), in window coordinates.
void PaintControl(Canvas& canvas, const ControlView& control, const RECT& room, POINT origin,
                  const RECT& clip) {
  RECT rect = Offset(control.rect, origin.x, origin.y);
  RECT visible = Intersect(rect, clip);
  if (IsEmpty(visible)) return;
  RECT before = canvas.SetClip(visible);
  Rgb text = control.enabled ? theme::kText : theme::kTextDisabled;
  switch (control.kind) {
    case UiKind::kCaption: {
      canvas.Fill(rect, theme::kCaption);
      TextStyle style = StyleFor(control, HAlign::kLeft, VAlign::kCentre, theme::kTextOnDark);
      style.size = theme::kCaptionSize;
      style.weight = Weight::kBold;
      DrawText(canvas, control, rect, style);
      break;
    }
    case UiKind::kStatic:
      DrawText(canvas, control, Offset(room, origin.x, origin.y),
               StyleFor(control, HAlign::kLeft, VAlign::kCentre, text));
      break;
    case UiKind::kButton:
      PaintButton(canvas, control, rect);
      break;
    case UiKind::kSlider:
      PaintSlider(canvas, control, rect);
      break;
    case UiKind::kToolbar:
      PaintToolbar(canvas, control, rect);
      break;
    case UiKind::kScroll:
    case UiKind::kWin:
      DrawText(canvas, control, rect, StyleFor(control, HAlign::kLeft, VAlign::kTop, text));
      break;
  }
  // Children lie over their parent and are clipped to it; the bar lies over the children.
  PaintControls(canvas, control.children, origin, visible);
  canvas.SetClip(visible);
  if (control.scrollBar) PaintScrollBar(canvas, control, rect, origin);
  canvas.SetClip(before);
}

}  // namespace

void PaintControls(Canvas& canvas, const std::vector<ControlView>& controls, POINT origin,
                   const RECT& clip) {
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ControlView& control = controls[i];
    RECT room = control.kind == UiKind::kStatic ? TextRoom(controls, i) : control.rect;
    PaintControl(canvas, control, room, origin, clip);
  }
}

std::optional<RECT> ScrollThumb(const ControlView& container) {
  int height = Height(container.rect);
  int content = container.contentHeight;
  if (!container.scrollBar || height <= 0 || content <= height) return std::nullopt;
  int thumb = std::max(24, static_cast<int>(static_cast<long long>(height) * height / content));
  int travel = height - thumb;
  int range = content - height;
  int top = container.rect.top +
            static_cast<int>(static_cast<long long>(travel) *
                             std::clamp(container.scrollOffset, 0, range) / range);
  return RECT{container.rect.right - kScrollBarWidth, top, container.rect.right, top + thumb};
}

RECT SwitchTrack(const RECT& control) {
  int w = std::min(kSwitchTrackWidth, Width(control) - 2 * kButtonMargin);
  int h = std::min(kSwitchTrackHeight, Height(control) - 2 * kButtonMargin);
  int cx = (control.left + control.right) / 2;
  int cy = (control.top + control.bottom) / 2;
  return {cx - w / 2, cy - h / 2, cx - w / 2 + w, cy - h / 2 + h};
}

RECT ToolbarSlot(const RECT& toolbar, int index, int count) {
  long long width = Width(toolbar);
  auto edge = [&](int i) {
    return toolbar.left + static_cast<int>((i * width + count - 1) / count);
  };
  return {edge(index), toolbar.top, edge(index + 1), toolbar.bottom};
}

}  // namespace host::screen
