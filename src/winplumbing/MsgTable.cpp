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
  for (std::int32_t i = 0; i < count; ++i) {
    auto& slot = slots[static_cast<std::size_t>(i)];
    if (slot == 0) {
      slot = uMsg;
      return AddResult::Added;
    }
    if (slot == uMsg) return AddResult::AlreadyPresent;
  }
  if (count >= MSG_ENTRIES) return AddResult::Overflow;
  slots[static_cast<std::size_t>(count)] = uMsg;
  ++count;
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
  for (std::int32_t i = 0; i < count; ++i) {
    auto& slot = slots[static_cast<std::size_t>(i)];
    if (slot == 0) {
      slot = uMsg;
      return;
    }
    if (slot == uMsg) return;
  }
  slots.resize(static_cast<std::size_t>(count));
  slots.push_back(uMsg);
  ++count;
}

}  // namespace vorn2::subclass
