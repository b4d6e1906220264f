#pragma once
// A dialog that records what the framework delivers to it.
#include <map>
#include <string>
#include <vector>

#include "framework/dialog.h"

class ProbeDialog : public CDialog {
 public:
  // What PreTranslateMessage does with a key-down of a given virtual key.
  enum class KeyPolicy { CallBase, ReturnTrue, ReturnFalseWithoutBase };

  explicit ProbeDialog(UINT templateId) : CDialog(templateId) {}

  std::vector<std::string> log;
  std::vector<MSG> keyMessages;
  std::vector<SHORT> shiftStates;  // GetKeyState(VK_SHIFT) at each key message
  std::map<int, KeyPolicy> keyPolicy;  // by virtual key; CallBase when absent
  bool endInInit = false;

  int Count(const std::string& entry) const {
    int n = 0;
    for (const auto& e : log) n += e == entry;
    return n;
  }

  BOOL PreTranslateMessage(MSG* pMsg) override {
    if (pMsg->message == WM_KEYDOWN || pMsg->message == WM_SYSKEYDOWN) {
      keyMessages.push_back(*pMsg);
      shiftStates.push_back(GetKeyState(VK_SHIFT));
    }
    auto it = keyPolicy.find(static_cast<int>(pMsg->wParam));
    const KeyPolicy policy = it == keyPolicy.end() ? KeyPolicy::CallBase : it->second;
    switch (policy) {
      case KeyPolicy::ReturnTrue:
        return TRUE;
      case KeyPolicy::ReturnFalseWithoutBase:
        return FALSE;
      case KeyPolicy::CallBase:
      default:
        return CDialog::PreTranslateMessage(pMsg);
    }
  }

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    log.push_back("init");
    if (endInInit) {
      EndDialog(IDCANCEL);
      return FALSE;
    }
    return TRUE;
  }
  void OnOK() override {
    log.push_back("ok");
    CDialog::OnOK();
  }
  void OnCancel() override {
    log.push_back("cancel");
    CDialog::OnCancel();
  }
  void OnSysCommand(UINT nID, LPARAM lParam) {
    log.push_back("sys:" + std::to_string(nID));
    CDialog::OnSysCommand(nID, lParam);
  }
  void OnDestroy() {
    log.push_back("destroy");
    CDialog::OnDestroy();
  }
  void OnTimer(UINT_PTR nIDEvent) { log.push_back("timer:" + std::to_string(nIDEvent)); }
  void OnLButtonDown(UINT nFlags, CPoint point) {
    log.push_back("lbutton:" + std::to_string(nFlags) + ":" + std::to_string(point.x) + "," +
                  std::to_string(point.y));
  }
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
    log.push_back("hscroll:" + std::to_string(nSBCode) + ":" + std::to_string(nPos) + ":" +
                  std::to_string(pScrollBar ? pScrollBar->GetDlgCtrlID() : 0) + ":" +
                  std::to_string(pScrollBar ? static_cast<CSliderCtrl*>(pScrollBar)->GetPos() : -1));
  }
  void OnStartBeat() {
    log.push_back("click:1001");
    shiftStates.push_back(GetKeyState(VK_SHIFT));
  }
  void OnSettings() { log.push_back("click:1009"); }
  void OnMoreSoftwareClicked() { log.push_back("click:1013"); }
  void OnMoreSoftwareDoubleClicked() { log.push_back("dblclick:1013"); }

  DECLARE_MESSAGE_MAP()
};
