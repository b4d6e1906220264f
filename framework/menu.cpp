#include "framework/menu.h"

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const char* lpszNewItem) {
  if (nFlags & MF_SEPARATOR) {
    m_items.push_back({nFlags, 0, {}});
  } else {
    m_items.push_back({nFlags, static_cast<UINT>(nIDNewItem), lpszNewItem ? lpszNewItem : ""});
  }
  return TRUE;
}

UINT CMenu::GetMenuItemID(int nPos) const {
  if (nPos < 0 || nPos >= GetMenuItemCount()) return static_cast<UINT>(-1);
  return m_items[static_cast<std::size_t>(nPos)].id;
}

std::string CMenu::GetMenuString(int nPos) const {
  if (nPos < 0 || nPos >= GetMenuItemCount()) return {};
  return m_items[static_cast<std::size_t>(nPos)].text;
}

UINT CMenu::GetMenuState(int nPos) const {
  if (nPos < 0 || nPos >= GetMenuItemCount()) return static_cast<UINT>(-1);
  return m_items[static_cast<std::size_t>(nPos)].flags;
}
