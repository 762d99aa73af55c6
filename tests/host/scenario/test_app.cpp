#include "tests/host/scenario/test_app.h"

#include "platform/mzfc.h"

namespace host::scenario {
namespace {

// The controls' ids, and the timers' (tick: the label counts; launch: starts the player;
// later: arms quit, which ends the application).
enum : int { kToolbarId = 1, kSwitchId, kSliderId };
enum : UINT_PTR { kQuitTimer = 5, kLaterTimer, kTickTimer, kLaunchTimer };

class TestWnd final : public CMzWndEx {
 public:
  int OnInitDialog() override {
    CMzWndEx::OnInitDialog();
    int w = GetWidth();
    int h = GetHeight();
    m_toolbar.SetPos(0, h - 60, w, 60);
    m_toolbar.SetButton(0, true, true, u"Menu");
    m_toolbar.SetButton(1, true, true, u"Quit");
    m_toolbar.SetID(kToolbarId);
    AddUiWin(&m_toolbar);
    m_switch.SetID(kSwitchId);
    m_switch.SetPos(10, 10, 100, 50);
    m_switch.SetButtonType(11);
    m_switch.SetButtonMode(UiButton::kModeSwitch);
    AddUiWin(&m_switch);
    m_label.SetPos(120, 10, 200, 50);
    m_label.SetText(u"off");
    AddUiWin(&m_label);
    m_slider.SetID(kSliderId);
    m_slider.SetPos(10, 100, 300, 50);
    m_slider.SetRange(0, 10);
    AddUiWin(&m_slider);
    SetWindowTextW(m_hWnd, u"Test");
    SetTimer(m_hWnd, kTickTimer, 500, nullptr);
    return 1;
  }

  void OnUiCommand(WPARAM wParam, LPARAM lParam) override {
    switch (LOWORD(wParam)) {
      case kSwitchId:
        m_label.SetText(m_switch.GetState() == 1 ? u"on" : u"off");
        break;
      case kToolbarId:
        if (lParam == 0) RunMenu();
        if (lParam == 1) PostQuitMessage(3);
        break;
      default:
        break;
    }
  }

  void OnTimer(UINT_PTR id) override {
    if (id == kLaunchTimer) {
      CreateProcessW(u"\\Windows\\MzMusic.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                     nullptr, nullptr, nullptr);
    }
    if (id == kLaterTimer) SetTimer(m_hWnd, kQuitTimer, 100, nullptr);
    if (id == kQuitTimer) PostQuitMessage(5);
    if (id != kTickTimer) return;
    ++m_ticks;
    m_label.SetText(m_ticks == 1 ? u"tick 1" : m_ticks == 2 ? u"tick 2" : u"tick 3");
    if (m_ticks == 3) KillTimer(m_hWnd, kTickTimer);
  }

  void OnMouseMove(UINT, int x, int y) override {
    RECT r = m_slider.GetRect();
    if (x <= r.left || x >= r.right || y <= r.top || y >= r.bottom) return;
    char16_t text[2] = {static_cast<char16_t>(u'0' + m_slider.GetPadpos() % 10), 0};
    m_label.SetText(text);
  }

 private:
  void RunMenu() {
    PopupMenuItemProp item;
    item.attribute = 1;
    for (int id : {1, 2}) {
      item.id = id;
      item.text = id == 1 ? u"Hide" : u"Quit";
      m_menu.AddItem(item);
    }
    RECT area = MzGetWorkArea();
    m_menu.Create(area.left, area.bottom - m_menu.GetHeight(), area.right - area.left,
                  m_menu.GetHeight(), m_hWnd, 0, WS_POPUP, 0);
    int choice = m_menu.DoModal();
    if (choice == 1) ShowWindow(m_hWnd, SW_HIDE);
    if (choice == 2) PostQuitMessage(0);
  }

  UiToolbar_Text m_toolbar;
  UiButton m_switch;
  UiStatic m_label;
  CUiStatusBar m_slider;
  CPopupMenu m_menu;
  int m_ticks = 0;
};

class TestApp final : public CMzApp {
 public:
  ~TestApp() override { NKDbgPrintfW(u"bye\n"); }
  BOOL Init() override {
    RECT area = MzGetWorkArea();
    m_wnd.Create(area.left, area.top, area.right - area.left, area.bottom - area.top);
    m_wnd.Show(true, true);
    return TRUE;
  }

 private:
  TestWnd m_wnd;
};

}  // namespace

launch::Executable TestApplication() {
  return {kTestExe, [] {
            return std::make_unique<launch::EntryProgram>([](DWORD) {
              TestApp app;
              return WinMain(nullptr, nullptr, nullptr, SW_SHOW);
            });
          }};
}

}  // namespace host::scenario
