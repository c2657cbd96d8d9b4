// GDI helpers of the tab strip: memory device contexts, the nine-part
// stretch, transparent transfers, text in a rectangle and style changes.
#pragma once

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "framework/win/Handles.h"

namespace vorn2 {

// A failed GDI allocation; what() is the description (UTF-8).
class TabDrawError : public std::runtime_error {
 public:
  explicit TabDrawError(const std::string& description) : std::runtime_error(description) {}
};

namespace mdlTabAPI {

inline constexpr COLORREF kTransparentKey = 0x00FF00FF;

// New bits cleared/set in the window long; SetWindowPos with the extra flags
// (plus no size, move, z-order or activation) when they are not 0. Nothing
// happens when the value would not change. Always false.
bool ModifyStyle(HWND hWnd, int nStyleOffset, LONG_PTR dwRemove, LONG_PTR dwAdd, UINT nFlags);

// A memory context of the screen with a cx x cy screen-compatible bitmap.
// Throws TabDrawError "GetDC调用失败", "CreateCompatibleBitmap调用失败" or
// "CreateCompatibleDC调用失败".
HDC CreateMemDC(int cx, int cy);
// A memory context with the given bitmap selected (it is deleted with the
// context by DeleteMemDC).
HDC CreateBitmapDC(HBITMAP hBitmap);
// Deletes the context and the bitmap selected into it. Always 1.
int DeleteMemDC(HDC hDC);

// Stretches the source rectangle onto the destination keeping the margins
// unstretched; the result of the final transfer, 0 when nothing was drawn.
int NineSliceBlt(HDC hDestDC, int x, int y, int cx, int cy, HDC hSrcDC, int srcX, int srcY, int srcCx, int srcCy,
                 int marginLeft, int marginTop, int marginRight, int marginBottom,
                 std::optional<COLORREF> transparent = std::nullopt);
// TransparentBlt with a source rectangle the size of the destination.
BOOL TransBlt(HDC hDestDC, int x, int y, int cx, int cy, HDC hSrcDC, int srcX, int srcY, COLORREF color);
// DrawTextW into the rectangle (x, y, x + cx, y + cy).
int DrawTextRect(HDC hDC, std::wstring_view text, int count, int x, int y, int cx, int cy, UINT format);

// Owner of a context from CreateMemDC or CreateBitmapDC: DeleteMemDC takes
// the context and its bitmap when it goes (counted as one DC).
using UniqueMemDC = UniqueAny<HDC, &DeleteMemDC, HandleKind::DC>;

}  // namespace mdlTabAPI
}  // namespace vorn2
