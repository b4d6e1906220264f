#pragma once
// A menu as a list of items; the system menu of a dialog is one of these, shown
// as a popup (see CWnd::GetSystemMenu).
#include <string>
#include <vector>

#include "framework/win_defs.h"

class CMenu {
 public:
  struct Item {
    UINT flags;  // MF_STRING or MF_SEPARATOR, optionally MF_GRAYED
    UINT id;     // 0 for a separator
    std::string text;
  };

  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const char* lpszNewItem = nullptr);
  int GetMenuItemCount() const { return static_cast<int>(m_items.size()); }
  // The item's command id; 0 for a separator, -1 (as UINT) when there is no such item.
  UINT GetMenuItemID(int nPos) const;
  std::string GetMenuString(int nPos) const;
  UINT GetMenuState(int nPos) const;
  const std::vector<Item>& items() const { return m_items; }
  void RemoveAll() { m_items.clear(); }

 private:
  std::vector<Item> m_items;
};
