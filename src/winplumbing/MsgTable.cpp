#include "winplumbing/MsgTable.h"

namespace vorn2::subclass {

namespace {

template <class Slots>
bool Contains(const Slots& slots, std::int32_t count, std::uint32_t uMsg) {
  if (count == ALL_MESSAGES) return true;
  const auto wanted = static_cast<std::int32_t>(uMsg);
  for (std::int32_t i = 0; i < count; ++i) {
    if (slots[static_cast<std::size_t>(i)] == wanted) return true;
  }
  return false;
}

// The slot uMsg goes into: the first hole, else a new one at count; -1 when
// the table already holds uMsg, wherever it stands (holes may come first).
template <class Slots>
std::int32_t SlotFor(const Slots& slots, std::int32_t count, std::int32_t uMsg) {
  std::int32_t hole = -1;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t slot = slots[static_cast<std::size_t>(i)];
    if (slot == uMsg) return -1;
    if (slot == 0 && hole < 0) hole = i;
  }
  return hole >= 0 ? hole : count;
}

}  // namespace

bool MsgTable::Selects(std::uint32_t uMsg) const { return Contains(slots, count, uMsg); }

MsgTable::AddResult MsgTable::Add(std::int32_t uMsg) {
  if (uMsg == ALL_MESSAGES) {
    count = ALL_MESSAGES;
    return AddResult::Added;
  }
  // A table that already selects everything selects this message too; turning
  // it into a one-entry table would silently drop every other message.
  if (count == ALL_MESSAGES) return AddResult::AlreadyPresent;
  const std::int32_t i = SlotFor(slots, count, uMsg);
  if (i < 0) return AddResult::AlreadyPresent;
  if (i >= MSG_ENTRIES) return AddResult::Overflow;
  slots[static_cast<std::size_t>(i)] = uMsg;
  if (i == count) ++count;
  return AddResult::Added;
}

void MsgTable::Delete(std::int32_t uMsg) {
  if (uMsg == ALL_MESSAGES) {
    count = 0;
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    auto& slot = slots[static_cast<std::size_t>(i)];
    if (slot == uMsg) {
      slot = 0;
      return;
    }
  }
}

bool GrowTable::Selects(std::uint32_t uMsg) const { return Contains(slots, count, uMsg); }

void GrowTable::Add(std::int32_t uMsg) {
  if (uMsg == ALL_MESSAGES) {
    count = ALL_MESSAGES;
    return;
  }
  if (count == ALL_MESSAGES) return;
  const std::int32_t i = SlotFor(slots, count, uMsg);
  if (i < 0) return;
  if (i < count) {
    slots[static_cast<std::size_t>(i)] = uMsg;
    return;
  }
  slots.resize(static_cast<std::size_t>(count));
  slots.push_back(uMsg);
  ++count;
}

}  // namespace vorn2::subclass
