#include "framework/win/ControlLayout.h"

namespace vorn2 {

void CreateAtDesign(HWND parent, std::span<const ControlPlace> table) {
  for (const ControlPlace& place : table) place.control.CreateTwips(parent, place.design, place.style);
}

void MoveToDesign(std::span<const ControlPlace> table) {
  for (const ControlPlace& place : table) place.control.MoveTwips(place.design);
}

}  // namespace vorn2
