// What renderers and snapshots see of the screen, and when the painter repaints.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include <nlohmann/json.hpp>

#include "host/kernel/handset.h"
#include "host/render/renderer.h"
#include "host/ui/input.h"
#include "host/ui/ui_state.h"
#include "platform/mzfc.h"
#include "tests/host/screen/panel_fixture.h"

// The allocations of this thread, counted by the global operator new of this test program (not
// under the sanitizers, which bring their own).
#if defined(__SANITIZE_ADDRESS__)
#define QV_COUNTS_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_COUNTS_ALLOCATIONS 0
#endif
#endif
#ifndef QV_COUNTS_ALLOCATIONS
#define QV_COUNTS_ALLOCATIONS 1
thread_local long g_allocations = 0;
void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace host {
namespace {

class RenderTest : public ::testing::Test {
 protected:
  RenderTest() {
    screen_test::AddFrame(m_wnd, m_toolbar, m_scroll, {0, 0, 480, 720}, 500);
    m_toolbar.SetButton(0, true, true, u"隐藏");
    m_toolbar.SetButton(1, false, true, u"操作");
    m_label.SetPos(10, 0, 480, 70);
    m_label.SetText(u"敏感度");
    m_label.SetDrawTextFormat(DT_VCENTER);
    m_scroll.AddChild(&m_label);
    m_slider.SetID(106);
    m_slider.SetPos(100, 0, 300, 70);
    m_slider.SetRange(80, 128);
    m_slider.SetPadpos(95);
    m_scroll.AddChild(&m_slider);
    m_switch.SetID(107);
    m_switch.SetPos(360, 530, 110, 70);
    m_switch.SetButtonType(11);
    m_switch.SetButtonMode(1);
    m_switch.SetState(1);
    m_switch.SetEnable(false);
    m_scroll.AddChild(&m_switch);
    host::ui::ScrollTo(m_scroll, 60);
  }

  VirtualClock m_clock;
  Handset m_handset{m_clock};
  CMzWndEx m_wnd;
  UiToolbar_Text m_toolbar;
  UiScrollWin m_scroll;
  UiStatic m_label;
  CUiStatusBar m_slider;
  UiButton m_switch;
};

TEST_F(RenderTest, SnapshotListsTheControlsInTheOrderAdded) {
  auto expected = nlohmann::ordered_json::parse(R"([
    {"kind":"toolbar","id":101,"rect":[0,655,480,65],"enabled":true,"text":"","format":null,
     "children":[],
     "buttons":[{"text":"隐藏","enabled":true,"visible":true},
                {"text":"操作","enabled":false,"visible":true}]},
    {"kind":"scroll","id":102,"rect":[0,0,480,500],"enabled":true,"text":"","format":null,
     "children":[
       {"kind":"static","id":0,"rect":[10,-60,480,70],"enabled":true,"text":"敏感度","format":4,
        "children":[]},
       {"kind":"slider","id":106,"rect":[100,-60,300,70],"enabled":true,"text":"","format":null,
        "children":[],"min":80,"max":128,"pos":95},
       {"kind":"button","id":107,"rect":[360,470,110,70],"enabled":false,"text":"","format":null,
        "children":[],"type":11,"mode":1,"state":1}],
     "scrollbar":true,"offset":60}
  ])");
  EXPECT_EQ(expected.dump(1), ControlsJson(m_wnd).dump(1));
}

TEST_F(RenderTest, ScreenHoldsEveryWindowBottomUpWithMenuItems) {
  m_wnd.Show(true, true);
  m_handset.CreateWindow(u"Other", u"正在播放", {0, 0, 100, 100}, 0, nullptr);
  CPopupMenu menu;
  PopupMenuItemProp item;
  item.attribute = 1;
  item.text = u"返回";
  for (int id : {124, 122}) {
    item.id = id;
    menu.AddItem(item);
  }
  menu.Create(0, 580, 480, menu.GetHeight(), m_wnd.m_hWnd, 0, WS_POPUP, 0);

  ScreenView screen = CaptureScreen(m_handset);
  EXPECT_EQ(720, screen.workArea.bottom);
  ASSERT_EQ(3u, screen.windows.size());
  EXPECT_TRUE(screen.windows[0].ours);
  EXPECT_TRUE(screen.windows[0].visible);
  ASSERT_EQ(2u, screen.windows[0].controls.size());
  EXPECT_EQ(600, screen.windows[0].controls[1].contentHeight);
  EXPECT_FALSE(screen.windows[1].ours);
  EXPECT_EQ(u"正在播放", screen.windows[1].title);
  const WindowView& shown = screen.windows[2];
  EXPECT_EQ(u"MzPopupMenu", shown.className);
  ASSERT_EQ(2u, shown.menuItems.size());
  EXPECT_EQ(122, shown.menuItems[1].id);
  EXPECT_EQ(u"返回", shown.menuItems[1].text);
  EXPECT_EQ(70, shown.menuItems[1].rect.top);
  EXPECT_EQ(140, shown.menuItems[1].rect.bottom);
}

TEST_F(RenderTest, PainterRepaintsOnlyWhenSomethingChanged) {
  HeadlessRenderer renderer;
  Painter painter(renderer);
  HWND other = m_handset.CreateWindow(u"Other", u"正在播放", {0, 0, 100, 100}, 0, nullptr);
  // A paint takes a snapshot; so does a change undone before the refresh (it is compared with
  // the last paint). Anything else is known unchanged without one.
  struct Step {
    const char* what;
    std::function<void()> change;
    bool paints;
    bool snapshot = paints;
  } steps[] = {
      {"first paint", [] {}, true},
      {"nothing", [] {}, false},
      {"text", [&] { m_label.SetText(u"x"); }, true},
      {"same text", [&] { m_label.SetText(u"x"); }, false},
      {"shown", [&] { ShowWindow(m_wnd.m_hWnd, SW_SHOW); }, true},
      // Every listening tick sets the same status text and invalidates: no paint.
      {"invalidate, nothing changed", [&] { m_wnd.Invalidate(); }, false},
      {"same text and invalidate", [&] { m_label.SetText(u"x"); m_wnd.Invalidate(); }, false},
      {"new text and invalidate", [&] { m_label.SetText(u"y"); m_wnd.Invalidate(); }, true},
      {"scrolled", [&] { ui::ScrollControlTo(m_scroll, 0); }, true},
      {"scroll at its end", [&] { ui::ScrollControlTo(m_scroll, -10); }, false},
      {"pad", [&] { ui::SetSliderPad(m_slider, 100); }, true},
      {"text and back", [&] { m_label.SetText(u"z"); m_label.SetText(u"y"); }, false, true},
      {"other window's title", [&] { SetWindowTextW(other, u"已暂停"); }, true},
      {"same title", [&] { SetWindowTextW(other, u"已暂停"); }, false},
      {"other window shown", [&] { ShowWindow(other, SW_SHOW); }, true},
      {"program started", [&] { m_handset.StartProcess(u"\\Windows\\MzMusic.exe", nullptr); },
       true},
      {"hidden", [&] { ShowWindow(m_wnd.m_hWnd, SW_HIDE); }, true},
  };
  int paints = 0;
  int snapshots = 0;
  for (const Step& step : steps) {
    step.change();
    EXPECT_EQ(step.paints, painter.Update(m_handset)) << step.what;
    if (step.paints) ++paints;
    if (step.snapshot) ++snapshots;
    EXPECT_EQ(paints, renderer.paints()) << step.what;
    EXPECT_EQ(snapshots, painter.captures()) << step.what;
  }
  EXPECT_EQ(3, painter.skipped());
  ASSERT_EQ(2u, renderer.last().windows.size());
  EXPECT_FALSE(renderer.last().windows[0].visible);
  EXPECT_EQ(100, renderer.last().windows[0].controls[1].children[1].sliderPos);
  EXPECT_EQ(u"已暂停", renderer.last().windows[1].title);
  EXPECT_EQ(1u, renderer.last().programs.size());
}

// The desktop window refreshes before every wait; an application that sets the same status text
// and invalidates its window every 100 ms must not cost a snapshot or an allocation there.
TEST_F(RenderTest, IdleRefreshTakesNoSnapshotAndAllocatesNothing) {
  HeadlessRenderer renderer;
  Painter painter(renderer);
  m_wnd.Show(true, true);
  ASSERT_TRUE(painter.Update(m_handset));
  for (int tick = 0; tick < 3; ++tick) {
    m_label.SetText(u"敏感度");
    m_wnd.Invalidate();
#if QV_COUNTS_ALLOCATIONS
    long before = g_allocations;
    EXPECT_FALSE(painter.Update(m_handset));
    EXPECT_EQ(before, g_allocations) << "tick " << tick;
#else
    EXPECT_FALSE(painter.Update(m_handset));  // the sanitizers count allocations their own way
#endif
  }
  EXPECT_EQ(1, painter.captures());
  EXPECT_EQ(3, painter.skipped());
}

}  // namespace
}  // namespace host
