#pragma once
// CDialog: a modal dialog built from a template of res/dialog_templates.
//
// Key pre-translation. While a dialog runs modally, an application-wide event
// filter sees every key press aimed at the dialog or one of its controls before
// any widget, shortcut or mnemonic does, and hands it to PreTranslateMessage as
//   MSG{hwnd = the receiving widget, message = WM_KEYDOWN (WM_SYSKEYDOWN with Alt),
//       wParam = virtual-key code, lParam = 1 | scan code << 16 | (repeat ? 1 << 30 : 0)}.
// Automatic repeats are key-downs too. Keys map as: Return and keypad Enter ->
// VK_RETURN; Page Up/Down -> VK_PRIOR/VK_NEXT; digits with the keypad modifier ->
// VK_NUMPAD0..9, without -> '0'..'9'; letters -> 'A'..'Z'; Escape, Tab, Space,
// arrows, Home, End, Insert, Delete, F-keys and the modifiers to their codes.
// What the result means:
//   TRUE                              the key goes no further.
//   FALSE, after the derived class called CDialog::PreTranslateMessage
//                                     Qt's ordinary dialog handling proceeds: Tab,
//                                     Space, Escape, mnemonics, Enter on buttons.
//   FALSE, without the base called    the key is swallowed all the same, so that the
//                                     dialog's keyboard handling never sees it (Enter
//                                     never presses the focused or default button).
//
// Commands: a button click delivers WM_COMMAND BN_CLICKED with the button's id
// (BN_DOUBLECLICKED as well for BS_NOTIFY buttons); IDOK and IDCANCEL that no map
// names go to OnOK and OnCancel. Escape is IDCANCEL; the close box and the system
// menu's Close are WM_SYSCOMMAND SC_CLOSE, whose default handling is OnCancel.
// Enter that reaches the dialog presses the focused push button, else the default
// push button, else sends IDOK.
//
// Mouse: a left press on the dialog's background, on a static control or on a
// group box (which take no mouse input) delivers WM_LBUTTONDOWN in client
// coordinates; a press on a button, list or slider stays with that control. A
// right press on the background opens the system menu, as does Alt+Space.
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/wnd.h"
#include "res/dialog_templates.h"
#include "res/resource.h"

class QEventLoop;
class DialogWindow;

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
      : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
};

// Binds `control` to the dialog's control `nIDC`, once.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  // Builds the window, runs OnInitDialog, shows the window unless it was ended
  // during OnInitDialog, and runs until EndDialog. OnDestroy runs before it
  // returns. Returns the EndDialog result (IDOK, IDCANCEL, ...), -1 when the
  // template is missing.
  virtual INT_PTR DoModal();
  // Ends the modal loop with nResult; from OnInitDialog the window is never shown.
  void EndDialog(int nResult);
  // EndDialog was called during the current run; the loop ends once control
  // returns to it.
  bool IsEnding() const { return m_bEnded; }

  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  UINT GetTemplateId() const { return m_nIDTemplate; }
  // The running dialogs, innermost last.
  static const std::vector<CDialog*>& ModalStack();
  // The dialog's text font, as the template asks for it.
  QFont GetDialogFont() const;

  // The original platform's mnemonic handling for statics, '&&' giving '&'.
  static std::string StripMnemonic(const std::string& text);

 protected:
  // Binds the controls (UpdateData(FALSE)); returns TRUE to let the framework focus
  // the first tab stop.
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(CDataExchange* pDX);
  virtual void OnOK();
  virtual void OnCancel();
  void OnClose() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  friend class PreTranslateFilter;
  friend class DialogWindow;

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  QEventLoop* m_loop = nullptr;
  int m_nModalResult = -1;
  bool m_bEnded = false;
  bool m_bBasePreTranslateCalled = false;
  std::vector<std::unique_ptr<CWnd>> m_items;  // one per template row
};
