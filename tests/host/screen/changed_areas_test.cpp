// A repaint after a change draws only where the screen changed, and the pixels are those of a
// whole paint.
#include <cstring>
#include <functional>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "host/screen/screen_renderer.h"
#include "tests/host/screen/panel_fixture.h"
#include "tests/support/expect_value.h"

namespace host::screen {
namespace {

using screen_test::Panel;

std::unique_ptr<ScreenRenderer> NewRenderer() {
  return test_support::ExpectValue(ScreenRenderer::Create({}));
}

// The first row where the canvases differ; -1 when they are the same.
int FirstDifferentRow(ScreenRenderer& a, ScreenRenderer& b) {
  SDL_Surface* x = a.canvas().surface();
  SDL_Surface* y = b.canvas().surface();
  if (x->w != y->w || x->h != y->h) return 0;
  for (int row = 0; row < x->h; ++row) {
    if (std::memcmp(static_cast<const Uint8*>(x->pixels) + row * x->pitch,
                    static_cast<const Uint8*>(y->pixels) + row * y->pitch, x->w * 4) != 0) {
      return row;
    }
  }
  return -1;
}

TEST(ChangedAreas, APartialRepaintGivesThePixelsOfAWholePaint) {
  VirtualClock clock;
  Handset handset{clock};
  Panel panel;
  CPopupMenu menu;
  PopupMenuItemProp item;
  item.text = u"返回";
  item.attribute = 1;
  item.id = 124;
  menu.AddItem(item);
  std::unique_ptr<ScreenRenderer> renderer = NewRenderer();
  renderer->Paint(CaptureScreen(handset));
  const RECT kAll{0, 0, 480, 720};
  struct Step {
    const char* what;
    std::function<void()> change;
    std::vector<RECT> painted;  // empty: the whole screen
  };
  RECT value = panel.lblValue.GetRect();
  RECT status = panel.status.GetRect();
  RECT second = panel.switches[1].GetRect();
  RECT slider = panel.slider.GetRect();
  RECT start = panel.start.GetRect();
  const Step steps[] = {
      {"a label's text", [&] { panel.lblValue.SetText(u"96"); }, {value}},
      {"the status line", [&] { panel.status.SetText(u"音乐未运行"); }, {status}},
      {"a switch toggled", [&] { panel.switches[1].SetState(1); }, {second}},
      {"the slider moved", [&] { panel.slider.SetPadpos(90); }, {slider}},
      {"two changes",
       [&] {
         panel.slider.SetPadpos(100);
         panel.lblValue.SetText(u"100");
       },
       {value, slider}},
      {"the same again (repaint asked for)", [] {}, {}},
      {"a menu opened",
       [&] {
         menu.Create(0, 720 - menu.GetHeight(), 480, menu.GetHeight(), panel.wnd.m_hWnd, 0,
                     WS_POPUP);
         menu.Show(true, true);
       },
       {}},
      {"a label under the open menu", [&] { panel.lblValue.SetText(u"88"); }, {value}},
      {"the menu closed", [&] { menu.Show(false, true); }, {}},
      {"the start button enabled", [&] { panel.start.SetEnable(true); }, {start}},
  };
  for (const Step& step : steps) {
    step.change();
    renderer->Paint(CaptureScreen(handset));
    std::vector<RECT> expected = step.painted.empty() ? std::vector<RECT>{kAll} : step.painted;
    ASSERT_EQ(expected.size(), renderer->painted().size()) << step.what;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_TRUE(expected[i] == renderer->painted()[i]) << step.what << " " << i;
    }
    std::unique_ptr<ScreenRenderer> whole = NewRenderer();
    whole->Paint(CaptureScreen(handset));
    EXPECT_EQ(-1, FirstDifferentRow(*renderer, *whole)) << step.what;
    EXPECT_EQ(whole->texts().size(), renderer->texts().size()) << step.what;
  }
}

}  // namespace
}  // namespace host::screen
