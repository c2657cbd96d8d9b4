#include "winplumbing/win/cFormSubclass.h"

#include "framework/win/SharedRouter.h"

namespace vorn2 {

cFormSubclass::cFormSubclass() : engine_(SharedHookRouter()) {
  const LifeWatch life = life_.Watch();
  subclass::FormMsgSink sink;
  sink.callable = [life] { return life.Alive(); };
  sink.notify = [this, life](bool bBefore, bool& bHandled, LRESULT& lReturn, subclass::WinHandle& hWnd,
                             std::uint32_t& uMsg, WPARAM& wParam, LPARAM& lParam) {
    if (!life.Alive()) return;
    HWND h = reinterpret_cast<HWND>(hWnd);
    zSubclass_Proc(bBefore, bHandled, lReturn, h, uMsg, wParam, lParam);
    hWnd = reinterpret_cast<subclass::WinHandle>(h);
  };
  engine_.SetSink(std::move(sink));
}

cFormSubclass::~cFormSubclass() {
  life_.End();
  engine_.UnhookAll();
}

bool cFormSubclass::AddWindowMsgs(HWND hWnd) {
  return engine_.AddWindowMsgs(reinterpret_cast<subclass::WinHandle>(hWnd));
}

bool cFormSubclass::DeleteWindowMsg(HWND) { return false; }

void cFormSubclass::zSubclass_Proc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& lng_hWnd, UINT& uMsg,
                                   WPARAM& wParam, LPARAM& lParam) {
  Raise(events_.MsgCome, bBefore, bHandled, lReturn, lng_hWnd, uMsg, wParam, lParam);
}

}  // namespace vorn2
