#include "winplumbing/win/CSubclass.h"

#include <commctrl.h>

#include <vector>

#include "framework/win/Handles.h"
#include "framework/win/SharedRouter.h"
#include "framework/win/SystemLibrary.h"
#include "winplumbing/win/SubclassEventLog.h"

namespace vorn2 {
namespace {

subclass::WinHandle I(HWND hWnd) { return reinterpret_cast<subclass::WinHandle>(hWnd); }

bool User32HasTrackMouseEvent() {
  bool found = false;
  if (const UniqueModule user32{LoadLibraryA("User32")}) found = GetProcAddress(user32.get(), "TrackMouseEvent") != nullptr;
  return found;
}

}  // namespace

CSubclass::CSubclass() : engine_(SharedHookRouter(), &WriteErrorEvent) {
  userTrackMouseEvent_ = User32HasTrackMouseEvent();
  BindEngine();
}

CSubclass::CSubclass(std::weak_ptr<ISubclassOwner> owner) : CSubclass() { SetOwner(std::move(owner)); }

CSubclass::CSubclass(ISubclassOwner* owner, std::weak_ptr<const void> ownerAlive) : CSubclass() {
  SetOwner(owner, std::move(ownerAlive));
}

CSubclass::~CSubclass() { ssc_Terminate(); }

void CSubclass::SetOwner(std::weak_ptr<ISubclassOwner> owner) {
  sharedOwner_ = std::move(owner);
  rawOwner_ = nullptr;
  ownerAlive_.reset();
  BindEngine();
}

void CSubclass::SetOwner(ISubclassOwner* owner, std::weak_ptr<const void> ownerAlive) {
  sharedOwner_.reset();
  rawOwner_ = owner;
  ownerAlive_ = std::move(ownerAlive);
  BindEngine();
}

void CSubclass::BindEngine() {
  subclass::SubclassOwnerLink link;
  if (rawOwner_) {
    ISubclassOwner* raw = rawOwner_;
    std::weak_ptr<const void> alive = ownerAlive_;
    link.callable = [alive] { return !alive.expired(); };
    link.notify = [raw, alive](bool bBefore, bool& bHandled, LRESULT& lReturn, subclass::WinHandle hWnd,
                               std::uint32_t uMsg, WPARAM wParam, LPARAM lParam, LONG_PTR& lParamUser) {
      if (auto keep = alive.lock())
        raw->WindowProc(bBefore, bHandled, lReturn, reinterpret_cast<HWND>(hWnd), uMsg, wParam, lParam, lParamUser);
    };
  } else if (!sharedOwner_.expired()) {
    std::weak_ptr<ISubclassOwner> weak = sharedOwner_;
    link.callable = [weak] { return !weak.expired(); };
    link.notify = [weak](bool bBefore, bool& bHandled, LRESULT& lReturn, subclass::WinHandle hWnd,
                         std::uint32_t uMsg, WPARAM wParam, LPARAM lParam, LONG_PTR& lParamUser) {
      if (auto owner = weak.lock())
        owner->WindowProc(bBefore, bHandled, lReturn, reinterpret_cast<HWND>(hWnd), uMsg, wParam, lParam,
                          lParamUser);
    };
  }
  engine_.SetOwner(std::move(link));
}

bool CSubclass::ssc_Subclass(HWND hWnd, LONG_PTR lParamUser, int nOrdinal, bool bIdeSafety, bool& bUnicode,
                             bool bIsAPIwindow) {
  return engine_.ssc_Subclass(I(hWnd), lParamUser, nOrdinal, bIdeSafety, bUnicode, bIsAPIwindow);
}

bool CSubclass::ssc_Subclass(HWND hWnd, LONG_PTR lParamUser, int nOrdinal, bool bIdeSafety) {
  bool bUnicode = false;
  return engine_.ssc_Subclass(I(hWnd), lParamUser, nOrdinal, bIdeSafety, bUnicode, false);
}

void CSubclass::ssc_UnSubclass(HWND hWnd) { engine_.ssc_UnSubclass(I(hWnd)); }

void CSubclass::ssc_Terminate() { engine_.ssc_Terminate(); }

void CSubclass::ssc_AddMsg(HWND hWnd, int uMsg, int When) { engine_.ssc_AddMsg(I(hWnd), uMsg, When); }

void CSubclass::ssc_DelMsg(HWND hWnd, int When, std::initializer_list<subclass::MsgListItem> Messages) {
  engine_.ssc_DelMsg(I(hWnd), When, std::vector<subclass::MsgListItem>(Messages));
}

LRESULT CSubclass::ssc_CallOrigWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return engine_.ssc_CallOrigWndProc(I(hWnd), uMsg, wParam, lParam);
}

void CSubclass::zSet_lParamUser(HWND hWnd_Hook_ID, LONG_PTR NewValue) {
  engine_.zSet_lParamUser(I(hWnd_Hook_ID), NewValue);
}

LONG_PTR CSubclass::zGet_lParamUser(HWND hWnd_Hook_ID) { return engine_.zGet_lParamUser(I(hWnd_Hook_ID)); }

void CSubclass::TrackMouseTracking(HWND hWnd) {
  TRACKMOUSEEVENT tme{};
  tme.cbSize = sizeof(tme);
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = hWnd;
  tme.dwHoverTime = 0;
  if (userTrackMouseEvent_) TrackMouseEvent(&tme);
  else if (const CommonControlsFunctions* controls = CommonControls()) controls->_TrackMouseEvent(&tme);
}

}  // namespace vorn2
