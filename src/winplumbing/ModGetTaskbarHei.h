// How much of the bottom of the screen the work area leaves out, in twips.
#pragma once

namespace vorn2 {

// (screen height in twips / tpp - work-area bottom in pixels) * tpp, rounded.
// Only the bottom edge counts: a taskbar at the top or a side gives 0.
// Held to the 16-bit range (a failed query on a tall screen exceeds it).
short TaskbarHeightTwips(double screenHeightTwips, double twipsPerPixel, int workAreaBottomPixels);

// The live value for this screen (Windows build only).
short ModGetTaskbarHei();

}  // namespace vorn2
