#pragma once
// Control wrappers bound to dialog controls with DDX_Control.
#include <string>

#include "framework/wnd.h"

class CStatic : public CWnd {
 public:
  // Shows `hIcon` in place of text (SS_ICON statics); returns the previous icon.
  HICON SetIcon(HICON hIcon);
  HICON GetIcon() const;
};

class CButton : public CWnd {
 public:
  // The button's image (BM_SETIMAGE with IMAGE_ICON); returns the previous icon.
  HICON SetIcon(HICON hIcon);
  HICON GetIcon() const;
};

class CComboBox : public CWnd {
 public:
  void ResetContent();
  // Appends at the end (the lists are not sorted); returns the new entry's position.
  int AddString(const char* text);
  int AddString(const std::string& text) { return AddString(text.c_str()); }
  // Selects position nSelect; one that names no entry leaves no selection and
  // returns CB_ERR.
  int SetCurSel(int nSelect);
  // The selected position, CB_ERR when none.
  int GetCurSel() const;
  int GetCount() const;
  // The entry's text; CB_ERR and an empty text for a position naming no entry.
  int GetLBText(int nIndex, std::string& text) const;
  std::string GetLBText(int nIndex) const;
};

class CSliderCtrl : public CWnd {
 public:
  void SetRangeMin(int nMin, BOOL bRedraw = FALSE);
  void SetRangeMax(int nMax, BOOL bRedraw = FALSE);
  void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE);
  int GetRangeMin() const;
  int GetRangeMax() const;
  // Moves the thumb without notifying the dialog; kept within the range.
  void SetPos(int nPos);
  int GetPos() const;
  void SetTicFreq(int nFreq);
  int GetTicFreq() const;
};
