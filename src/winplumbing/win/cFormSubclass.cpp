#include "winplumbing/win/cFormSubclass.h"

#include "winplumbing/win/SharedRouter.h"

namespace vorn2 {

cFormSubclass::cFormSubclass() : engine_(SharedHookRouter()) {
  std::weak_ptr<int> alive = alive_;
  subclass::FormMsgSink sink;
  sink.callable = [alive] { return !alive.expired(); };
  sink.notify = [this, alive](bool bBefore, bool& bHandled, LRESULT& lReturn, subclass::WinHandle& hWnd,
                              std::uint32_t& uMsg, WPARAM& wParam, LPARAM& lParam) {
    if (alive.expired()) return;
    HWND h = reinterpret_cast<HWND>(hWnd);
    zSubclass_Proc(bBefore, bHandled, lReturn, h, uMsg, wParam, lParam);
    hWnd = reinterpret_cast<subclass::WinHandle>(h);
  };
  engine_.SetSink(std::move(sink));
}

cFormSubclass::~cFormSubclass() {
  alive_.reset();
  engine_.UnhookAll();
}

bool cFormSubclass::AddWindowMsgs(HWND hWnd) {
  return engine_.AddWindowMsgs(reinterpret_cast<subclass::WinHandle>(hWnd));
}

bool cFormSubclass::DeleteWindowMsg(HWND) { return false; }

void cFormSubclass::zSubclass_Proc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& lng_hWnd, UINT& uMsg,
                                   WPARAM& wParam, LPARAM& lParam) {
  // A copy: the handler may destroy this object, and with it MsgCome.
  MsgComeHandler handler = MsgCome;
  if (handler) handler(bBefore, bHandled, lReturn, lng_hWnd, uMsg, wParam, lParam);
}

}  // namespace vorn2
