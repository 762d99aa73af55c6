#include "host/screen/screen_renderer.h"

#include "host/screen/changed_areas.h"
#include "host/screen/control_painter.h"
#include "host/screen/font_lookup.h"
#include "host/screen/png_writer.h"
#include "host/screen/theme.h"

namespace host::screen {
namespace {

constexpr int kTitleBandHeight = 64;
constexpr int kLineHeight = 40;
constexpr char16_t kMenuClass[] = u"MzPopupMenu";

void Translate(std::vector<ControlView>& controls, Language language) {
  for (ControlView& control : controls) {
    control.text = Shown(control.text, language);
    for (ui::ToolbarButton& button : control.buttons) button.text = Shown(button.text, language);
    Translate(control.children, language);
  }
}

bool IsMenu(const WindowView& window) {
  return window.ours && (window.className == kMenuClass || !window.menuItems.empty());
}

}  // namespace

Result<std::unique_ptr<ScreenRenderer>> ScreenRenderer::Create(
    const ScreenRendererOptions& options) {
  std::optional<std::string> font = FindCjkFont(options.fontPath);
  if (!font) {
    return Error(options.fontPath.empty()
                     ? "no font with Chinese glyphs found (install fonts-wqy-microhei)"
                     : "the font " + options.fontPath + " does not exist");
  }
  Result<std::unique_ptr<Canvas>> canvas = Canvas::Create(480, 720, *font);
  if (!canvas) return canvas.error();
  return std::unique_ptr<ScreenRenderer>(new ScreenRenderer(*std::move(canvas), options));
}

ScreenRenderer::ScreenRenderer(std::unique_ptr<Canvas> canvas, ScreenRendererOptions options)
    : m_canvas(std::move(canvas)), m_options(std::move(options)) {}

ScreenView Translated(ScreenView screen, Language language) {
  if (language == Language::kChinese) return screen;
  for (WindowView& window : screen.windows) {
    window.title = Shown(window.title, language);
    for (MenuItemView& item : window.menuItems) item.text = Shown(item.text, language);
    Translate(window.controls, language);
  }
  return screen;
}

void ScreenRenderer::Paint(const ScreenView& shown) {
  ++m_paints;
  ScreenView screen = Translated(shown, m_options.language);
  std::vector<std::u16string> foreign = ForeignContent(screen);
  std::vector<RECT> areas;
  if (m_last && foreign == m_foreign) areas = ChangedAreas(*m_last, screen);
  const RECT& area = screen.workArea;
  m_canvas->Resize(Width(area), Height(area));
  RECT full{0, 0, m_canvas->width(), m_canvas->height()};
  if (areas.empty()) {
    m_canvas->ForgetTexts();
    m_home.clear();
    if (!PaintWindows(screen)) PaintHome(screen);
    m_painted = {full};
  } else {
    // Each area is drawn as a whole paint limited to it, so the texts are those of a whole
    // paint.
    for (const RECT& r : areas) {
      m_canvas->ForgetTexts();
      m_canvas->SetLimit(r);
      PaintWindows(screen);
    }
    m_canvas->ClearLimit();
    m_painted = std::move(areas);
  }
  m_canvas->SetClip(full);
  m_last = std::move(screen);
  m_foreign = std::move(foreign);
}

bool ScreenRenderer::PaintWindows(const ScreenView& screen) {
  const RECT& area = screen.workArea;
  RECT full{0, 0, m_canvas->width(), m_canvas->height()};
  m_canvas->SetClip(full);
  m_canvas->Fill(full, theme::kHome);
  bool anyVisible = false;
  for (const WindowView& window : screen.windows) {
    if (!window.visible) continue;
    anyVisible = true;
    RECT rect = Offset(window.rect, -area.left, -area.top);
    RECT clip = Intersect(rect, full);
    if (IsEmpty(clip)) continue;
    if (IsMenu(window)) {
      // A menu is modal: what lies beneath is shaded.
      m_canvas->SetClip(full);
      m_canvas->Shade(full, theme::kMenuShade, theme::kMenuShadeAlpha);
      m_canvas->SetClip(clip);
      PaintMenu(window, rect);
    } else if (window.ours) {
      m_canvas->SetClip(clip);
      m_canvas->Fill(rect, theme::kWindow);
      PaintControls(*m_canvas, window.controls, {rect.left, rect.top}, clip);
    } else {
      m_canvas->SetClip(clip);
      PaintForeign(window, rect);
    }
  }
  m_canvas->SetClip(full);
  return anyVisible;
}

std::vector<std::u16string> ScreenRenderer::ForeignContent(const ScreenView& screen) const {
  std::vector<std::u16string> content;
  for (const WindowView& window : screen.windows) {
    if (!window.visible || window.ours) continue;
    if (m_options.windowLines) {
      for (std::u16string& line : m_options.windowLines(window)) content.push_back(std::move(line));
    }
    if (!m_options.windowButtons) continue;
    for (const WindowButton& button : m_options.windowButtons(window)) {
      const RECT& r = button.rect;
      std::string at = std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                       std::to_string(r.right) + "," + std::to_string(r.bottom);
      content.push_back(button.text + std::u16string(at.begin(), at.end()));
    }
  }
  return content;
}

void ScreenRenderer::PaintMenu(const WindowView& menu, const RECT& rect) {
  m_canvas->Fill(rect, theme::kMenu);
  m_canvas->Fill({rect.left, rect.top, rect.right, rect.top + 1}, theme::kRule);
  TextStyle style;
  style.size = theme::kTextSize;
  style.colour = theme::kText;
  style.halign = HAlign::kCentre;
  for (std::size_t i = 0; i < menu.menuItems.size(); ++i) {
    RECT row = Offset(menu.menuItems[i].rect, rect.left, rect.top);
    if (i > 0) m_canvas->Fill({row.left + 16, row.top, row.right - 16, row.top + 1}, theme::kRule);
    m_canvas->Text(menu.menuItems[i].text, row, style);
  }
}

void ScreenRenderer::PaintForeign(const WindowView& window, const RECT& rect) {
  m_canvas->Fill(rect, theme::kWindow);
  RECT band{rect.left, rect.top, rect.right, rect.top + kTitleBandHeight};
  m_canvas->Fill(band, theme::kTitleBand);
  TextStyle title;
  title.size = theme::kTitleSize;
  title.weight = Weight::kBold;
  title.colour = theme::kTextOnDark;
  title.halign = HAlign::kCentre;
  m_canvas->Text(window.title, band, title);
  if (!m_options.windowLines) return;
  TextStyle line;
  line.size = theme::kTextSize;
  line.colour = theme::kText;
  line.halign = HAlign::kCentre;
  int top = band.bottom + 24;
  for (const std::u16string& text : m_options.windowLines(window)) {
    m_canvas->Text(text, {rect.left + 12, top, rect.right - 12, top + kLineHeight}, line);
    top += kLineHeight;
  }
  PaintWindowButtons(window, rect);
}

void ScreenRenderer::PaintWindowButtons(const WindowView& window, const RECT& rect) {
  if (!m_options.windowButtons) return;
  TextStyle label;
  label.size = theme::kTextSize;
  label.colour = theme::kTextOnDark;
  label.halign = HAlign::kCentre;
  for (const WindowButton& button : m_options.windowButtons(window)) {
    RECT face = Offset(button.rect, rect.left, rect.top);
    m_canvas->FillRounded(face, 10, theme::kButtonAction);
    m_canvas->Text(button.text, Inset(face, 4, 0), label);
  }
}

void ScreenRenderer::PaintHome(const ScreenView& screen) {
  m_home = screen.programs;
  int width = m_canvas->width();
  int height = m_canvas->height();
  TextStyle heading;
  heading.size = theme::kTitleSize;
  heading.weight = Weight::kBold;
  heading.colour = theme::kTextOnDark;
  heading.halign = HAlign::kCentre;
  Language language = m_options.language;
  m_canvas->Text(Pick(language, u"程序", u"Programs"), {0, 0, width, kHomeHeading}, heading);
  std::vector<RECT> buttons = HomeButtonRects(width, height, m_home.size());
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const ProgramView& entry = m_home[i];
    const RECT& r = buttons[i];
    m_canvas->FillRounded(r, 14, theme::kHomeButton);
    int iconRadius = Height(r) / 2 - 18;
    int cx = r.left + 18 + iconRadius;
    int cy = (r.top + r.bottom) / 2;
    m_canvas->FillCircle(cx, cy, iconRadius, theme::kHomeIcon);
    TextStyle initial;
    initial.size = theme::kTitleSize;
    initial.weight = Weight::kBold;
    initial.colour = theme::kHome;
    initial.halign = HAlign::kCentre;
    m_canvas->Text(entry.name.substr(0, 1),
                   {cx - iconRadius, cy - iconRadius, cx + iconRadius, cy + iconRadius}, initial);
    RECT text{cx + iconRadius + 18, r.top + 10, r.right - 16, r.bottom - 10};
    TextStyle name;
    name.size = theme::kTextSize;
    name.weight = Weight::kBold;
    name.colour = theme::kTextOnDark;
    // Under the name: the window's title (unless it only says the name again), or that the
    // program does not run.
    std::u16string below;
    if (entry.pid == 0) {
      below = Pick(language, u"未运行", u"not running");
    } else if (entry.title != entry.name) {
      below = Shown(entry.title, language);
    }
    name.valign = below.empty() ? VAlign::kCentre : VAlign::kTop;
    m_canvas->Text(entry.name, text, name);
    if (below.empty()) continue;
    TextStyle title;
    title.size = theme::kSmallSize;
    title.colour = theme::kSwitchOff;
    title.valign = VAlign::kBottom;
    m_canvas->Text(below, text, title);
  }
}

Status ScreenRenderer::SavePng(const std::string& path) {
  return WritePng(m_canvas->surface(), path);
}

Status SaveScreenshot(const ScreenView& screen, const std::string& path,
                      const ScreenRendererOptions& options) {
  Result<std::unique_ptr<ScreenRenderer>> renderer = ScreenRenderer::Create(options);
  if (!renderer) return renderer.error();
  (*renderer)->Paint(screen);
  return (*renderer)->SavePng(path);
}

}  // namespace host::screen
