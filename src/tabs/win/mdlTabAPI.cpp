#include "tabs/win/mdlTabAPI.h"

namespace vorn2::mdlTabAPI {

bool ModifyStyle(HWND hWnd, int nStyleOffset, LONG_PTR dwRemove, LONG_PTR dwAdd, UINT nFlags) {
  const LONG_PTR oldValue = GetWindowLongPtrW(hWnd, nStyleOffset);
  const LONG_PTR newValue = (oldValue & ~dwRemove) | dwAdd;
  if (newValue == oldValue) return false;
  SetWindowLongPtrW(hWnd, nStyleOffset, newValue);
  if (nFlags != 0) {
    SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
  }
  return false;
}

HDC CreateMemDC(int cx, int cy) {
  const WindowDC screen(nullptr);
  if (!screen) throw TabDrawError("GetDC调用失败");
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), cx, cy));
  if (!bitmap) throw TabDrawError("CreateCompatibleBitmap调用失败");
  UniqueDC dc(CreateCompatibleDC(screen.get()));
  if (!dc) throw TabDrawError("CreateCompatibleDC调用失败");
  // From here the bitmap belongs to the context: DeleteMemDC deletes both.
  SelectObject(dc.get(), bitmap.detach());
  return dc.detach();
}

HDC CreateBitmapDC(HBITMAP hBitmap) {
  const WindowDC screen(nullptr);
  if (!screen) throw TabDrawError("GetDC调用失败");
  UniqueDC dc(CreateCompatibleDC(screen.get()));
  if (!dc) throw TabDrawError("CreateCompatibleDC调用失败");
  SelectObject(dc.get(), hBitmap);
  return dc.detach();
}

int DeleteMemDC(HDC hDC) {
  if (!hDC) return 1;
  HGDIOBJ bitmap = GetCurrentObject(hDC, OBJ_BITMAP);
  DeleteDC(hDC);
  // A context's default bitmap is a stock object; DeleteObject ignores it.
  if (bitmap) DeleteObject(bitmap);
  return 1;
}

int NineSliceBlt(HDC hDestDC, int x, int y, int cx, int cy, HDC hSrcDC, int srcX, int srcY, int srcCx, int srcCy,
                 int marginLeft, int marginTop, int marginRight, int marginBottom,
                 std::optional<COLORREF> transparent) {
  // A negative destination (a tab squeezed below nothing) cannot be drawn either.
  if (cx <= 0 || cy <= 0 || srcCx == 0 || srcCy == 0) return 0;
  const UniqueMemDC buffer(CreateMemDC(cx, cy));
  HDC temp = buffer.get();
  SetStretchBltMode(temp, HALFTONE);
  SetBrushOrgEx(temp, 0, 0, nullptr);

  const int L = marginLeft, T = marginTop, R = marginRight, B = marginBottom;
  if (L <= 0 && T <= 0 && R <= 0 && B <= 0) {
    StretchBlt(temp, 0, 0, cx, cy, hSrcDC, srcX + L, srcY + T, srcCx - R, srcCy - B, SRCCOPY);
  } else {
    const int DW = cx, DH = cy, SX = srcX, SY = srcY, SW = srcCx, SH = srcCy;
    if (L > 0 && T > 0) BitBlt(temp, 0, 0, L, T, hSrcDC, SX, SY, SRCCOPY);
    if (R > 0 && T > 0) BitBlt(temp, DW - R, 0, R, T, hSrcDC, SX + SW - R, SY, SRCCOPY);
    if (L > 0 && B > 0) BitBlt(temp, 0, DH - B, L, B, hSrcDC, SX, SY + SH - B, SRCCOPY);
    if (R > 0 && B > 0) BitBlt(temp, DW - R, DH - B, R, B, hSrcDC, SX + SW - R, SY + SH - B, SRCCOPY);
    if (L > 0) StretchBlt(temp, 0, T, L, DH - T - B, hSrcDC, SX, SY + T, L, SH - T - B, SRCCOPY);
    if (R > 0) StretchBlt(temp, DW - R, T, R, DH - T - B, hSrcDC, SX + SW - R, SY + T, R, SH - T - B, SRCCOPY);
    if (T > 0) StretchBlt(temp, L, 0, DW - L - R, T, hSrcDC, SX + L, SY, SW - L - R, T, SRCCOPY);
    if (B > 0) StretchBlt(temp, L, DH - B, DW - L - R, B, hSrcDC, SX + L, SY + SH - B, SW - L - R, B, SRCCOPY);
    StretchBlt(temp, L, T, DW - L - R, DH - T - B, hSrcDC, SX + L, SY + T, SW - L - R, SH - T - B, SRCCOPY);
  }

  int result = 0;
  if (transparent) result = TransBlt(hDestDC, x, y, cx, cy, temp, 0, 0, *transparent);
  else result = BitBlt(hDestDC, x, y, cx, cy, temp, 0, 0, SRCCOPY);
  return result;
}

BOOL TransBlt(HDC hDestDC, int x, int y, int cx, int cy, HDC hSrcDC, int srcX, int srcY, COLORREF color) {
  return GdiTransparentBlt(hDestDC, x, y, cx, cy, hSrcDC, srcX, srcY, cx, cy, color);
}

int DrawTextRect(HDC hDC, std::wstring_view text, int count, int x, int y, int cx, int cy, UINT format) {
  RECT rc;
  SetRect(&rc, x, y, x + cx, y + cy);
  std::wstring copy(text);  // DrawTextW wants a terminated, writable buffer
  return DrawTextW(hDC, copy.c_str(), count, &rc, format);
}

}  // namespace vorn2::mdlTabAPI
