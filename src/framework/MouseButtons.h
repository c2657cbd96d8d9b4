// Mouse buttons and shift keys as every control reports them to its host:
// buttons 1 left, 2 right, 4 middle; shift keys 1 Shift, 2 Ctrl, 4 Alt.
#pragma once

#include <cstdint>

namespace vorn2 {

inline constexpr std::int16_t kButtonLeft = 1;
inline constexpr std::int16_t kButtonRight = 2;
inline constexpr std::int16_t kButtonMiddle = 4;
inline constexpr std::int16_t kShiftShift = 1;
inline constexpr std::int16_t kShiftCtrl = 2;
inline constexpr std::int16_t kShiftAlt = 4;

}  // namespace vorn2
