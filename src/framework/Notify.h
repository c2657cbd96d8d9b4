// How every control reports to its host.
//
// A control's notifications are the std::function members of one struct
// (`<Control>Events`), declared in the control's event order and handed out
// by the control's `Events()`. The control raises each through Raise(): the
// handler runs from a copy, so a host that replaces or clears the handlers
// from inside a notification does not free the one that is running.
//
// A host may also destroy the control from inside a notification. A control
// that touches itself after raising holds a LifeToken and checks a watch
// taken before raising:
//   const LifeWatch life = life_.Watch();
//   Raise(events_.Click);
//   if (!life.Alive()) return;
#pragma once

#include <functional>
#include <memory>
#include <utility>

namespace vorn2 {

template <class Signature, class... Args>
void Raise(const std::function<Signature>& handler, Args&&... args) {
  if (!handler) return;
  const std::function<Signature> running = handler;
  running(std::forward<Args>(args)...);
}

class LifeWatch {
 public:
  LifeWatch() = default;
  bool Alive() const { return !life_.expired(); }

 private:
  friend class LifeToken;
  explicit LifeWatch(std::weak_ptr<const void> life) : life_(std::move(life)) {}
  std::weak_ptr<const void> life_;
};

// Alive from construction until End() or destruction; each object owns its
// own (copies are not shared).
class LifeToken {
 public:
  LifeToken() = default;
  LifeToken(const LifeToken&) : LifeToken() {}
  LifeToken& operator=(const LifeToken&) { return *this; }
  ~LifeToken() = default;

  LifeWatch Watch() const { return LifeWatch(life_); }
  // The owner is going: every watch reads dead from now on.
  void End() { life_.reset(); }
  bool Alive() const { return life_ != nullptr; }
  // For APIs that take a plain weak pointer (the subclassers' owner binding).
  std::weak_ptr<const void> Weak() const { return life_; }

 private:
  std::shared_ptr<const char> life_ = std::make_shared<const char>('\0');
};

}  // namespace vorn2
