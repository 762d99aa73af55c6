// The pop-up menu: items for one modal run, picked by a tap.
#include <nlohmann/json.hpp>

#include "host/kernel/handset.h"
#include "host/crt/utf.h"
#include "platform/mzfc.h"

CPopupMenu::CPopupMenu(const WCHAR* title)
    : m_title(title != nullptr ? std::u16string(title) : std::u16string()) {}

const WCHAR* CPopupMenu::GetWndClassName() { return u"MzPopupMenu"; }

void CPopupMenu::AddItem(PopupMenuItemProp& item) {
  m_items.push_back({std::u16string(item.text.C_Str()), item.attribute, item.id});
  RequestRepaint();
}

int CPopupMenu::GetHeight() { return static_cast<int>(m_items.size()) * kItemHeight; }

int CPopupMenu::ItemAt(int x, int y) {
  if (x < 0 || x >= GetWidth() || y < 0) return -1;
  int index = y / kItemHeight;
  return index < static_cast<int>(m_items.size()) ? index : -1;
}

int CPopupMenu::DoModal() {
  if (modal_running()) return 0;
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
      for (const Item& item : m_items) {
        items.push_back({item.id, host::ToUtf8(item.text), item.attribute});
      }
      return host::TraceFields{{"rect", {r.left, r.top, r.right - r.left, r.bottom - r.top}},
                               {"items", std::move(items)}};
    });
    m_pressedItem = kNoPress;
    // Shown and hidden by the library itself: "menu" and "menu-end" tell of it.
    info->visible = true;
    RequestRepaint();
    result = RunModalLoop();
    handset.Emit("menu-end", [&] { return host::TraceFields{{"result", result}}; });
  }
  DestroyHandsetWindow();
  m_items.clear();
  return result;
}

void CPopupMenu::OnLButtonDown(UINT, int xPos, int yPos) { m_pressedItem = ItemAt(xPos, yPos); }

// A release where the press began picks that item; outside the items both, it leaves the menu.
void CPopupMenu::OnLButtonUp(UINT, int xPos, int yPos) {
  int pressed = m_pressedItem;
  m_pressedItem = kNoPress;
  if (pressed == kNoPress || ItemAt(xPos, yPos) != pressed) return;
  EndModal(pressed >= 0 ? m_items[pressed].id : 0);
}
