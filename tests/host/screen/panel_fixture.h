// A control panel built the way the application builds its window: a toolbar along the bottom
// and above it a scrolling container with captions, a status line, a start button, a slider and
// switches with their labels. On a fresh handset with a virtual clock.
#pragma once

#include <string>
#include <vector>

#include "host/kernel/handset.h"
#include "platform/mzfc.h"

namespace host::screen_test {

inline constexpr int kToolbarHeight = 65;

// The frame the application's window has: wnd created over area, a toolbar (id 101) along its
// bottom, and a scrolling container (id 102) of scrollHeight from its top.
inline void AddFrame(CMzWnd& wnd, UiToolbar_Text& toolbar, UiScrollWin& scroll, RECT area,
                     int scrollHeight) {
  int w = area.right - area.left;
  int h = area.bottom - area.top;
  wnd.Create(area.left, area.top, w, h);
  toolbar.SetPos(0, h - kToolbarHeight, w, kToolbarHeight);
  toolbar.SetID(101);
  wnd.AddUiWin(&toolbar);
  scroll.SetPos(0, 0, w, scrollHeight);
  scroll.SetID(102);
  scroll.EnableScrollBarV(true);
  wnd.AddUiWin(&scroll);
}

// "left,top,right,bottom", for messages.
inline std::string Str(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

inline bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

class Panel {
 public:
  static constexpr int kToolbarHeight = screen_test::kToolbarHeight;

  // A panel over the handset's work area, shown, with the container scrolled to 0.
  explicit Panel(int switchesOn = 0b0101) {
    RECT area = MzGetWorkArea();
    int w = area.right - area.left;
    int h = area.bottom - area.top;
    AddFrame(wnd, toolbar, scroll, area, h - kToolbarHeight);
    toolbar.SetButton(0, true, true, u"隐藏");
    toolbar.SetButton(1, true, true, u"操作");
    toolbar.SetButton(2, true, true, u"退出");
    Place(captionState, 0, 0, w, 42, u"基本状态");
    Place(status, 0, 42, w, 40, u"正在获取状态");
    start.SetID(103);
    Place(start, 50, 82, w - 100, 70, u"音乐进程已开启");
    start.SetEnable(false);
    start.SetButtonType(6);
    Place(captionParams, 0, 152, w, 42, u"参数设置");
    Label(lblSensitivity, 194, u"敏感度");
    lblValue.SetPos(w - 60, 194, 50, 70);
    lblValue.SetText(u"120");
    lblValue.SetDrawTextFormat(DT_VCENTER);
    scroll.AddChild(&lblValue);
    slider.SetID(106);
    slider.SetPos(100, 194, w - 180, 70);
    slider.SetRange(80, 128);
    slider.SetPadpos(120);
    scroll.AddChild(&slider);
    const char16_t* labels[] = {u"重力换歌开启", u"自动隐藏界面", u"自动运行音乐", u"自动播放隐藏"};
    for (int i = 0; i < 4; ++i) {
      int y = 264 + 70 * i;
      Label(switchLabels[i], y, labels[i]);
      switches[i].SetID(107 + i);
      switches[i].SetPos(w - 120, y, 110, 70);
      switches[i].SetButtonType(11);
      switches[i].SetButtonMode(1);
      if ((switchesOn >> i) & 1) switches[i].SetState(1);
      scroll.AddChild(&switches[i]);
    }
    SetWindowTextW(wnd.m_hWnd, u"Quorvane");
    wnd.Show(true, true);
  }

  CMzWndEx wnd;
  UiToolbar_Text toolbar;
  UiScrollWin scroll;
  UiCaption captionState;
  UiStatic status;
  UiButton start;
  UiCaption captionParams;
  UiStatic lblSensitivity;
  UiStatic lblValue;
  CUiStatusBar slider;
  UiStatic switchLabels[4];
  UiButton switches[4];

 private:
  void Place(UiWin& control, int x, int y, int w, int h, const char16_t* text) {
    control.SetPos(x, y, w, h);
    control.SetText(text);
    scroll.AddChild(&control);
  }
  void Label(UiStatic& label, int y, const char16_t* text) {
    RECT area = MzGetWorkArea();
    Place(label, 10, y, area.right - area.left, 70, text);
    label.SetDrawTextFormat(DT_VCENTER);
  }
};

}  // namespace host::screen_test
