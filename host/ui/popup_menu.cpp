// The pop-up menu: items for one modal run, picked by a tap.
#include <nlohmann/json.hpp>

#include "host/crt/utf.h"
#include "host/kernel/handset.h"
#include "host/ui/ui_library.h"
#include "host/ui/ui_state.h"
#include "platform/mzfc.h"

using host::ui::Access;
using host::ui::MenuState;

namespace host::ui {

int MenuItemAt(CPopupMenu& menu, int x, int y) {
  if (x < 0 || x >= menu.GetWidth() || y < 0) return -1;
  int index = y / kMenuItemHeight;
  return index < static_cast<int>(MenuStateOf(menu).items.size()) ? index : -1;
}

}  // namespace host::ui

CPopupMenu::CPopupMenu(const WCHAR* title) : m_menu(std::make_unique<MenuState>()) {
  m_menu->title = title != nullptr ? std::u16string(title) : std::u16string();
}

CPopupMenu::~CPopupMenu() = default;

const WCHAR* CPopupMenu::GetWndClassName() { return u"MzPopupMenu"; }

void CPopupMenu::AddItem(PopupMenuItemProp& item) {
  m_menu->items.push_back({std::u16string(item.text.C_Str()), item.attribute, item.id});
  host::ui::RequestRepaint(*this);
}

int CPopupMenu::GetHeight() {
  return static_cast<int>(m_menu->items.size()) * host::ui::kMenuItemHeight;
}

int CPopupMenu::DoModal() {
  if (host::ui::StateOf(*this).modal.running) return 0;
  host::Handset& handset = host::Handset::Current();
  if (m_hWnd == nullptr) {
    RECT area = handset.work_area();
    Create(area.left, area.bottom - GetHeight(), area.right - area.left, GetHeight(), nullptr, 0,
           WS_POPUP, 0);
  }
  int result = 0;
  if (host::WindowInfo* info = handset.FindWindowInfo(m_hWnd)) {
    const RECT& r = info->rect;
    handset.Emit("menu", [&] {
      host::TraceFields items = host::TraceFields::array();
      for (const host::ui::MenuItem& item : m_menu->items) {
        items.push_back({item.id, host::ToUtf8(item.text), item.attribute});
      }
      return host::TraceFields{{"rect", {r.left, r.top, r.right - r.left, r.bottom - r.top}},
                               {"items", std::move(items)}};
    });
    m_menu->pressedItem = MenuState::kNoPress;
    // Shown and hidden by the library itself: "menu" and "menu-end" tell of it.
    info->visible = true;
    host::ui::RequestRepaint(*this);
    result = host::ui::RunModalLoop(*this);
    handset.Emit("menu-end", [&] { return host::TraceFields{{"result", result}}; });
  }
  host::ui::DestroyHandsetWindow(*this);
  m_menu->items.clear();
  return result;
}

void CPopupMenu::OnLButtonDown(UINT, int xPos, int yPos) {
  m_menu->pressedItem = host::ui::MenuItemAt(*this, xPos, yPos);
}

// A release where the press began picks that item; outside the items both, it leaves the menu.
void CPopupMenu::OnLButtonUp(UINT, int xPos, int yPos) {
  int pressed = m_menu->pressedItem;
  m_menu->pressedItem = MenuState::kNoPress;
  if (pressed == MenuState::kNoPress || host::ui::MenuItemAt(*this, xPos, yPos) != pressed) {
    return;
  }
  EndModal(pressed >= 0 ? m_menu->items[pressed].id : 0);
}
