// The main window's frame and layout: construction, class name and OnInitDialog.
#include "app/acc_wnd.h"

#include "app/acc_ids.h"
#include "platform/wstring.h"

namespace {

constexpr int kToolbarHeight = 65;
constexpr int kCaptionHeight = 42;
constexpr int kStatusHeight = 40;
constexpr int kRowHeight = 70;

// Tops of the rows in the scroll container.
constexpr int kStatusTop = kCaptionHeight;                     // 42
constexpr int kStartButtonTop = kStatusTop + kStatusHeight;    // 82
constexpr int kParamsCaptionTop = kStartButtonTop + kRowHeight;  // 152
constexpr int kSensitivityTop = kParamsCaptionTop + kCaptionHeight;  // 194
constexpr int kGestureTop = kSensitivityTop + kRowHeight;     // 264
constexpr int kAutoHideTop = kGestureTop + kRowHeight;        // 334
constexpr int kAutoRunTop = kAutoHideTop + kRowHeight;        // 404
constexpr int kAutoPlayTop = kAutoRunTop + kRowHeight;        // 474

constexpr int kSwitchWidth = 110;
constexpr int kLabelLeft = 10;

}  // namespace

CAccWnd::CAccWnd() = default;
CAccWnd::~CAccWnd() {
  // Close all and the handset's shutdown end the application without waiting for the commit:
  // the value the slider shows is stored now, and the settings record saves it.
  if (m_sensitivityPending) StoreSensitivity();
}

const WCHAR* CAccWnd::GetWndClassName() { return u"ZelbinAccWnd"; }

int CAccWnd::OnInitDialog() {
  if (!CMzWndEx::OnInitDialog()) return 0;

  int width = GetWidth();
  int height = GetHeight();
  SetUpToolbarAndScroll(width, height);
  SetUpStatusRows(width);
  SetUpSettingRows(width);

  SetWindowTextW(m_hWnd, u"Quorvane");
  m_tickCount = 0;
  return RefreshState() != 0 ? 1 : 0;
}

void CAccWnd::SetUpToolbarAndScroll(int width, int height) {
  m_toolbar.SetPos(0, height - kToolbarHeight, width, kToolbarHeight, 0);
  m_toolbar.SetButton(kToolbarHide, true, true, u"隐藏");
  m_toolbar.SetButton(kToolbarOperations, true, true, u"操作");
  m_toolbar.SetButton(kToolbarExit, true, true, u"退出");
  m_toolbar.SetID(IDC_TOOLBAR);
  AddUiWin(&m_toolbar);

  m_scroll.SetPos(0, 0, width, height - kToolbarHeight, 0);
  m_scroll.SetID(IDC_SCROLL);
  m_scroll.EnableScrollBarV(true);
  AddUiWin(&m_scroll);
}

void CAccWnd::SetUpStatusRows(int width) {
  m_captionState.SetPos(0, 0, width, kCaptionHeight, 0);
  m_captionState.SetText(u"基本状态");
  m_scroll.AddChild(&m_captionState);

  m_status.SetPos(0, kStatusTop, width, kStatusHeight, 0);
  m_status.SetText(u"正在获取状态");
  m_scroll.AddChild(&m_status);

  // Starts in the player-running look whatever the player does; RefreshState corrects it.
  m_btnStartMusic.SetID(IDC_START_MUSIC);
  m_btnStartMusic.SetPos(50, kStartButtonTop, width - 100, kRowHeight, 0);
  m_btnStartMusic.SetText(u"音乐进程已开启");
  m_btnStartMusic.SetEnable(false);
  m_btnStartMusic.SetButtonType(UiButton::kTypePlain);
  m_scroll.AddChild(&m_btnStartMusic);

  m_captionParams.SetPos(0, kParamsCaptionTop, width, kCaptionHeight, 0);
  m_captionParams.SetText(u"参数设置");
  m_scroll.AddChild(&m_captionParams);
}

void CAccWnd::SetUpSettingRows(int width) {
  SetUpLabel(m_lblSensitivity, kSensitivityTop, width, u"敏感度");

  m_lblSensitivityValue.SetPos(width - 60, kSensitivityTop, 50, kRowHeight, 0);
  ShowSensitivityValue(m_config.minacc_x);
  m_lblSensitivityValue.SetDrawTextFormat(DT_VCENTER);
  m_scroll.AddChild(&m_lblSensitivityValue);

  m_sliderSensitivity.SetID(IDC_SENSITIVITY);
  m_sliderSensitivity.SetPos(100, kSensitivityTop, width - 180, kRowHeight, 0);
  // The slider's range keeps new thresholds within the limits the settings load with.
  m_sliderSensitivity.SetRange(AccConfig::kMinThreshold, AccConfig::kMaxThreshold);
  m_sliderSensitivity.SetPadpos(m_config.minacc_x);
  m_scroll.AddChild(&m_sliderSensitivity);

  // The labels are as wide as the window and lie under the switches added after them.
  const int switchLeft = width - 120;
  SetUpLabel(m_lblGesture, kGestureTop, width, u"重力换歌开启");
  SetUpSwitch(m_btnGesture, IDC_GESTURE, switchLeft, kGestureTop, m_config.autoacc != 0);
  SetUpLabel(m_lblAutoHide, kAutoHideTop, width, u"自动隐藏界面");
  SetUpSwitch(m_btnAutoHide, IDC_AUTOHIDE, switchLeft, kAutoHideTop, m_config.autohide != 0);
  SetUpLabel(m_lblAutoRun, kAutoRunTop, width, u"自动运行音乐");
  SetUpSwitch(m_btnAutoRun, IDC_AUTORUN, switchLeft, kAutoRunTop, m_config.autorun != 0);
  SetUpLabel(m_lblAutoPlay, kAutoPlayTop, width, u"自动播放隐藏");
  SetUpSwitch(m_btnAutoPlay, IDC_AUTOPLAY, switchLeft, kAutoPlayTop, m_config.autoplay != 0);
}

void CAccWnd::ShowSensitivityValue(int value) {
  // Room for five characters: the value has at most three digits.
  constexpr int kCapacity = 5;
  CMzStringW text(kCapacity);
  swprintf(text, kCapacity + 1, u"%d", value);
  m_lblSensitivityValue.SetText(text);
}

void CAccWnd::SetUpLabel(UiStatic& label, int y, int width, const WCHAR* text) {
  label.SetPos(kLabelLeft, y, width, kRowHeight, 0);
  label.SetText(text);
  label.SetDrawTextFormat(DT_VCENTER);
  m_scroll.AddChild(&label);
}

void CAccWnd::SetUpSwitch(UiButton& button, int id, int x, int y, bool on) {
  button.SetID(id);
  button.SetPos(x, y, kSwitchWidth, kRowHeight, 0);
  // A switch toggles on tap; it starts off, so only "on" is set.
  button.SetButtonType(UiButton::kTypeSwitch);
  button.SetButtonMode(UiButton::kModeSwitch);
  if (on) button.SetState(UiButton::kStateOn);
  m_scroll.AddChild(&button);
}
