// Message selection tables of the subclassers.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vorn2::subclass {

inline constexpr int MSG_ENTRIES = 32;
inline constexpr std::int32_t ALL_MESSAGES = -1;

// Fixed table: count 0 = empty, -1 = every message, n = slots 1..n in use.
// A slot holding 0 is a hole left by a deletion; the next addition of a
// message not yet in the table fills it.
struct MsgTable {
  std::int32_t count = 0;
  std::array<std::int32_t, MSG_ENTRIES> slots{};  // slots[0] is slot 1

  enum class AddResult { Added, AlreadyPresent, Overflow };

  bool Selects(std::uint32_t uMsg) const;
  AddResult Add(std::int32_t uMsg);
  // -1 empties the table; another value becomes a hole where it stood.
  void Delete(std::int32_t uMsg);
  void Clear() { count = 0; }
};

// Growable table of the form subclasser: same coding, no size limit.
struct GrowTable {
  std::int32_t count = 0;
  std::vector<std::int32_t> slots;  // slots[0] is index 1

  bool Selects(std::uint32_t uMsg) const;
  void Add(std::int32_t uMsg);
  void Clear() {
    count = 0;
    slots.clear();
  }
};

}  // namespace vorn2::subclass
