// The exit confirmation: a small borderless dialog with the skinned title
// bar, a close button, the question and "是" / "否". It answers through its
// host, not as a result: each button stores the answer in the host's exit
// flag ("是" true, "否" and the close button false) and then unloads the
// dialog. The caller shows it with ShowModal() and reads the flag after.
//
// The host must outlive the dialog. The controls belong to the dialog and
// are created again on every load; the dialog may be shown again after an
// answer.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <type_traits>

#include "controls/win/BForm.h"
#include "controls/win/IMsgHost.h"
#include "controls/win/iButton.h"
#include "framework/win/ControlLayout.h"
#include "framework/win/Form.h"

namespace vorn2 {

class MsgFrm final : public Form {
 public:
  explicit MsgFrm(IMsgHost& host);
  ~MsgFrm() override;

  BForm& BForm1() { return bForm1_; }
  iButton& closebtn() { return closebtn_; }
  iButton& iButton1() { return iButton1_; }
  iButton& iButton2() { return iButton2_; }
  // The question's static text window (null while not loaded).
  HWND Label1() const { return IsLoaded() ? label1_ : nullptr; }

  static const char* QuestionText();

 protected:
  void OnLoad() override;
  void OnResize() override;
  void OnDpiChanged() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // The controls with their design places, in creation order.
  std::array<ControlPlace, 4> DesignLayout();
  void CreateControls();
  void SetLabelFont();
  void FitBarAndClose();
  void Answer(bool m_bExit);

  IMsgHost& host_;
  BForm bForm1_;
  iButton closebtn_;
  iButton iButton1_;
  iButton iButton2_;
  HWND label1_ = nullptr;
  UniqueFont labelFont_;
};

}  // namespace vorn2
