// Controls as state: where they are shown, how far containers scroll, what their setters
// trace and repaint, and how the tree holds together when controls move or go away.
#include "host/ui/ui_state.h"
#include "tests/host/ui/ui_test_support.h"

namespace host::ui_test {
namespace {

TEST(UiWinRect, ParentsPositionsAndScrollOffsetsAreApplied) {
  // outer (10,20) > inner (20,100) 200 high > button (5,150) 100 high: inner scrolls 0..50.
  struct Case {
    int outerOffset, innerOffset;
    const char* expected;
  } cases[] = {
      {0, 0, "35,270,85,370"},
      {30, 0, "35,240,85,340"},
      {30, 40, "35,200,85,300"},
      {30, 80, "35,190,85,290"},  // the inner offset stops at 50
  };
  for (const Case& c : cases) {
    UiScrollWin outer, inner;
    UiButton button;
    UiStatic filler;  // makes the outer content 1000 high
    outer.SetPos(10, 20, 400, 300);
    outer.EnableScrollBarV(true);
    filler.SetPos(0, 0, 10, 1000);
    outer.AddChild(&filler);
    inner.SetPos(20, 100, 200, 200);
    inner.EnableScrollBarV(true);
    outer.AddChild(&inner);
    button.SetPos(5, 150, 50, 100);
    inner.AddChild(&button);
    host::ui::ScrollTo(outer, c.outerOffset);
    host::ui::ScrollTo(inner, c.innerOffset);
    EXPECT_EQ(c.expected, Str(button.GetRect())) << c.outerOffset << "/" << c.innerOffset;
  }
}

TEST(UiWinScroll, OffsetStaysBetweenZeroAndContentBeyondHeight) {
  struct Case {
    int contentBottom, height;
    bool scrollBar;
    int request, expected;
  } cases[] = {
      {544, 400, true, 100, 100},  {544, 400, true, 144, 144}, {544, 400, true, 500, 144},
      {544, 400, true, -5, 0},     {544, 400, false, 100, 0},  {300, 400, true, 50, 0},
      {400, 400, true, 1, 0},
  };
  for (const Case& c : cases) {
    UiScrollWin scroll;
    UiButton child;
    scroll.SetPos(0, 0, 480, c.height);
    scroll.EnableScrollBarV(c.scrollBar);
    child.SetPos(0, c.contentBottom - 70, 100, 70);
    scroll.AddChild(&child);
    host::ui::ScrollTo(scroll, c.request);
    EXPECT_EQ(c.expected, host::ui::StateOf(scroll).scrollOffset)
        << c.contentBottom << " in " << c.height << " to " << c.request;
  }
}

TEST(UiWinScroll, OffsetFollowsTheContentWhenItShrinks) {
  UiScrollWin scroll;
  UiButton low;
  scroll.SetPos(0, 0, 480, 400);
  scroll.EnableScrollBarV(true);
  low.SetPos(0, 480, 100, 70);
  scroll.AddChild(&low);
  host::ui::ScrollTo(scroll, 150);
  low.SetPos(0, 400, 100, 70);
  EXPECT_EQ(70, host::ui::StateOf(scroll).scrollOffset);
  scroll.EnableScrollBarV(false);
  EXPECT_EQ(0, host::ui::StateOf(scroll).scrollOffset);
}

TEST(UiWinTree, ControlsMoveBetweenParentsAndOutliveEachOther) {
  UiScrollWin a, b;
  UiStatic child;
  a.AddChild(&child);
  b.AddChild(&child);
  EXPECT_TRUE(host::ui::StateOf(a).children.empty());
  EXPECT_EQ(&b, host::ui::StateOf(child).parent);
  child.AddChild(&b);  // b is child's parent: no cycle
  EXPECT_TRUE(host::ui::StateOf(child).children.empty());
  {
    UiScrollWin gone;
    gone.AddChild(&a);
  }
  EXPECT_EQ(nullptr, host::ui::StateOf(a).parent);
  {
    UiStatic goneChild;
    a.AddChild(&goneChild);
  }
  EXPECT_TRUE(host::ui::StateOf(a).children.empty());
}

TEST(UiWinRanges, SliderAndButtonKeepTheirValues) {
  CUiStatusBar slider;
  EXPECT_EQ(0, slider.GetPadpos());
  slider.SetRange(80, 128);
  EXPECT_EQ(80, slider.GetPadpos());
  slider.SetPadpos(95);
  EXPECT_EQ(95, slider.GetPadpos());
  slider.SetPadpos(200);
  EXPECT_EQ(128, slider.GetPadpos());
  slider.SetRange(90, 10);  // maximum below minimum: a range of one value
  EXPECT_EQ(90, host::ui::StateOf(slider).sliderMax);
  EXPECT_EQ(90, slider.GetPadpos());
  UiButton button;
  EXPECT_EQ(0u, button.GetState());
}

class ControlTraceTest : public UiTest {};

TEST_F(ControlTraceTest, TextChangesAreTracedByIdOrPlaceAndRepaintTheWindow) {
  RecordingWnd wnd;
  wnd.Create(0, 0, 480, 720);
  UiScrollWin scroll;
  UiStatic status;
  UiButton button;
  wnd.AddUiWin(&scroll);
  status.SetPos(0, 42, 480, 40);
  status.SetText(u"正在获取状态");  // before it has a parent
  scroll.AddChild(&status);
  button.SetID(103);
  scroll.AddChild(&button);
  host::ui::MarkPainted(wnd);

  status.SetText(u"正在获取状态");  // the same text: traced, but no repaint
  EXPECT_FALSE(host::ui::StateOf(wnd).needsPaint);
  button.SetText(u"音乐进程已开启");
  EXPECT_TRUE(host::ui::StateOf(wnd).needsPaint);
  button.SetText(nullptr);
  host::ui::MarkPainted(wnd);
  button.SetEnable(false);
  EXPECT_TRUE(host::ui::StateOf(wnd).needsPaint);
  wnd.Invalidate();
  EXPECT_TRUE(SameSequence({R"(text {"ctl":"@0,42","text":"正在获取状态"})",
                            R"(text {"ctl":"@0,42","text":"正在获取状态"})",
                            R"(text {"ctl":103,"text":"音乐进程已开启"})",
                            R"(text {"ctl":103,"text":""})", "invalidate {}"},
                           Events({"text", "invalidate"})));
}

// A trace that follows only changes (the service's log) is not handed the texts that repeat.
TEST_F(ControlTraceTest, ATraceOfChangesOnlyGetsNoRepeatedText) {
  class ChangesOnly final : public Trace {
   public:
    bool WantsRepeats(std::string_view ev) const override { return ev != "text"; }
    void Record(std::int64_t, std::string_view ev, nlohmann::ordered_json fields) override {
      if (ev == "text") texts.push_back(fields["text"].get<std::string>());
    }
    std::vector<std::string> texts;
  } changes;
  m_handset.set_trace(&changes);
  RecordingWnd wnd;
  wnd.Create(0, 0, 480, 720);
  UiStatic status;
  wnd.AddUiWin(&status);
  for (const char16_t* text : {u"a", u"a", u"b", u"b", u"b", u"a"}) status.SetText(text);
  m_handset.set_trace(&m_trace);
  EXPECT_EQ((std::vector<std::string>{"a", "b", "a"}), changes.texts);
}

TEST_F(ControlTraceTest, SettersThatChangeNothingAskForNoRepaint) {
  RecordingWnd wnd;
  wnd.Create(0, 0, 480, 720);
  UiButton button;
  CUiStatusBar slider;
  UiToolbar_Text toolbar;
  for (UiWin* c : std::initializer_list<UiWin*>{&button, &slider, &toolbar}) wnd.AddUiWin(c);
  button.SetPos(1, 2, 3, 4);
  button.SetButtonType(11);
  button.SetButtonMode(1);
  button.SetState(1);
  button.SetDrawTextFormat(DT_VCENTER);
  slider.SetRange(80, 128);
  slider.SetPadpos(100);
  toolbar.SetButton(0, true, true, u"隐藏");
  host::ui::MarkPainted(wnd);
  button.SetPos(1, 2, 3, 4);
  button.SetButtonType(11);
  button.SetButtonMode(1);
  button.SetState(1);
  button.SetEnable(true);
  button.SetDrawTextFormat(DT_VCENTER);
  slider.SetRange(80, 128);
  slider.SetPadpos(100);
  toolbar.SetButton(0, true, true, u"隐藏");
  EXPECT_FALSE(host::ui::StateOf(wnd).needsPaint);
  slider.SetPadpos(500);  // clamped to 128: a change
  EXPECT_TRUE(host::ui::StateOf(wnd).needsPaint);
}

}  // namespace
}  // namespace host::ui_test
