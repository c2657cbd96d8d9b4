// The form subclasser's logic: window records with growable message tables
// and by-reference message arguments. cFormSubclass (win/) binds it to user32.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/HookRouter.h"
#include "winplumbing/MsgTable.h"

namespace vorn2::subclass {

struct FormMsgSink {
  std::function<bool()> callable;
  // The message arguments are the router's own copy: a before handler that
  // changes them changes what the previous procedure receives.
  std::function<void(bool bBefore, bool& bHandled, Result& lReturn, WinHandle& lng_hWnd, std::uint32_t& uMsg,
                     WParam& wParam, LParam& lParam)>
      notify;
};

class FormRecord final : public HookRecord {
 public:
  GrowTable before;
  GrowTable after;
  FormMsgSink sink;

  bool OwnerCallable() override;
  Result Process(HookRouter& router, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) override;
  void OnDetached() override;
};

class FormSubclassEngine {
 public:
  explicit FormSubclassEngine(HookRouter& router) : router_(router) {}
  ~FormSubclassEngine() { UnhookAll(); }
  FormSubclassEngine(const FormSubclassEngine&) = delete;
  FormSubclassEngine& operator=(const FormSubclassEngine&) = delete;

  void SetSink(FormMsgSink sink) { sink_ = std::move(sink); }

  // Subclasses the window (always the Unicode flavour) with every message in
  // its before table. False when the window could not be subclassed.
  bool AddWindowMsgs(WinHandle hWnd);
  bool DeleteWindowMsg(WinHandle) { return false; }
  // Puts every window's previous procedure back, highest record first.
  void UnhookAll();

  std::size_t RecordCount() const { return slots_.size(); }
  WinHandle WindowAt(std::size_t index) const { return slots_.at(index).window; }

 private:
  struct Slot {
    WinHandle window = 0;  // 0: free, reused by the next subclassing
    std::weak_ptr<FormRecord> record;
  };

  HookRouter& router_;
  FormMsgSink sink_;
  std::vector<Slot> slots_;
};

}  // namespace vorn2::subclass
