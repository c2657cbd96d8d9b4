#include "standin/win/StandInWebView.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "framework/win/Handles.h"
#include "framework/win/WinText.h"
#include "standin/win/PageFetch.h"

namespace vorn2::standin {
namespace {

constexpr wchar_t kClass[] = L"Vorn2StandInPage";
constexpr UINT kFetched = WM_APP + 1;  // wParam: the fetch's number
constexpr UINT kBlank = WM_APP + 2;
constexpr UINT_PTR kFollowTimer = 1;
constexpr UINT_PTR kFirstPageTimer = 2;
constexpr int kMargin = 20;
constexpr int kTitleHeight = 30;
constexpr int kSmallHeight = 20;
constexpr int kLinkHeight = 22;
constexpr COLORREF kBack = RGB(250, 250, 246);
constexpr COLORREF kLinkColour = RGB(20, 70, 170);

const wchar_t kStandInLine[] = L"plain stand-in page (no HTML engine installed): ";

struct Fonts {
  UniqueFont title{CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, GB2312_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                               L"SimSun")};
  UniqueFont text{CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                              L"SimSun")};
  UniqueFont link{CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, TRUE, 0, GB2312_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                              L"SimSun")};
  UniqueFont small{CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                               L"SimSun")};
};

std::wstring LinkText(const PageLine& line) { return L"\u2192 " + W(line.text) + L"    " + W(line.address); }

bool Starts(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

StandInSettings SettingsFromEnvironment() {
  StandInSettings settings;
  if (const char* text = std::getenv("VORN2_STANDIN_FOLLOW_START_MS"))
    settings.followStartMs = static_cast<unsigned>(std::strtoul(text, nullptr, 10));
  return settings;
}

// The page's bytes as UTF-8, or false when they are neither UTF-8 nor GBK.
bool DecodeText(const std::string& bytes, Charset charset, std::string& out) {
  if (charset == Charset::Utf8) {
    out = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? bytes.substr(3) : bytes;
    return true;
  }
  if (charset != Charset::Gbk) return false;
  if (bytes.empty()) {
    out.clear();
    return true;
  }
  const int units = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                        nullptr, 0);
  if (units <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), wide.data(), units);
  out = U8(wide);
  return true;
}

}  // namespace

std::unique_ptr<IWebView> CreateStandInWebView() { return CreateStandInWebView(SettingsFromEnvironment()); }

std::unique_ptr<IWebView> CreateStandInWebView(StandInSettings settings) {
  return std::make_unique<StandInWebView>(std::move(settings));
}

StandInWebView::StandInWebView(StandInSettings settings) : settings_(std::move(settings)) {}

StandInWebView::~StandInWebView() {
  life_.End();
  Destroy();
}

bool StandInWebView::Create(HWND parent, int x, int y, int width, int height) {
  if (Exists() || destroyed_) return Exists();
  return RegisterClassOnce(kClass, 0) &&
         CreateHostWindow(0, kClass, L"", WS_CHILD | WS_VISIBLE, x, y, width, height, parent, nullptr);
}

void StandInWebView::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  CancelFetch();
  Window::Destroy();
}

void StandInWebView::Move(int x, int y, int width, int height) {
  if (hWnd()) MoveWindow(hWnd(), x, y, width, height, TRUE);
}

void StandInWebView::Navigate(const std::wstring& url) {
  if (destroyed_) return;
  Log("navigate", url);
  const LifeWatch life = life_.Watch();
  bool cancel = false;
  Raise(events_.beforeNavigate, url, true, cancel);
  // The handler may have closed the window (exit, start game).
  if (!life.Alive() || destroyed_ || cancel) return;
  // An app:// address the host let through has nothing to load; inert ones never load.
  if (Starts(url, L"app://") || !FollowsLink(U8(url))) return;
  Load(url);
}

void StandInWebView::Refresh() {
  if (!destroyed_ && !documentUrl_.empty()) Load(documentUrl_);
}

void StandInWebView::Load(const std::wstring& url) {
  const LifeWatch life = life_.Watch();
  CancelFetch();
  Raise(events_.downloadBegin);
  if (!life.Alive() || destroyed_ || !hWnd()) return;
  fetchUrl_ = url;
  static bool first = true;  // the process's first page
  if (std::exchange(first, false) && settings_.firstPageMs) {
    SetTimer(hWnd(), kFirstPageTimer, settings_.firstPageMs, nullptr);
    return;
  }
  StartFetch();
}

void StandInWebView::StartFetch() {
  if (fetchUrl_ == L"about:blank") {
    PostMessageW(hWnd(), kBlank, ++fetchId_, 0);
  } else {
    fetch_ = PageFetch::Start(fetchUrl_, hWnd(), kFetched, ++fetchId_);
    notice_ = L"loading " + fetchUrl_ + L" \u2026";
    InvalidateRect(hWnd(), nullptr, FALSE);
  }
}

void StandInWebView::CancelFetch() {
  if (Exists()) KillTimer(hWnd(), kFirstPageTimer);
  if (fetch_) fetch_->Cancel();
  fetch_.reset();
  ++fetchId_;  // a message already posted for the old one is ignored
}

void StandInWebView::Arrived(FetchedPage fetched) {
  const std::wstring url = std::exchange(fetchUrl_, std::wstring());
  if (!fetched.ok) {
    Show(url, {}, L"The page could not be loaded (error " + std::to_wstring(fetched.error) + L").");
    return;
  }
  if (fetched.overLimit) {
    Show(url, {}, L"Not shown: the page is larger than " + std::to_wstring(kPageByteLimit >> 20) + L" MB.");
    return;
  }
  const PageKind kind = KindOf(fetched.contentType, fetched.bytes);
  if (kind == PageKind::Other) {
    const std::wstring type = fetched.contentType.empty() ? L"binary data" : W(fetched.contentType);
    Show(url, {}, L"Not shown: " + type + L" is not a page.");
    return;
  }
  std::string text;
  if (!DecodeText(fetched.bytes, ChooseCharset(fetched.contentType, fetched.bytes), text)) {
    Show(url, {}, L"Not shown: the page's text is neither UTF-8 nor GBK.");
    return;
  }
  Show(url, kind == PageKind::Html ? ReadHtml(text, U8(url)) : ReadText(text), {});
}

void StandInWebView::Show(const std::wstring& url, ReadPage page, std::wstring notice) {
  documentUrl_ = url;
  page_ = std::move(page);
  notice_ = std::move(notice);
  scroll_ = 0;
  pressed_ = -1;
  Layout();
  InvalidateRect(hWnd(), nullptr, FALSE);
  Log("complete", url);
  const LifeWatch life = life_.Watch();
  // A browser names an untitled document by its address.
  Raise(events_.titleChange, page_.title.empty() ? url : W(page_.title));
  if (!life.Alive() || destroyed_) return;
  Raise(events_.documentComplete, url, true);
  if (life.Alive() && !destroyed_) FollowStartLater();
}

void StandInWebView::FollowStartLater() {
  static bool followed = false;  // once per process, unless every start is followed
  if (!settings_.followStartMs || (followed && !settings_.followEveryStart)) return;
  for (const PageLine& line : page_.lines) {
    if (line.address.rfind("app://loadgame|", 0) == 0) {
      followed = true;
      followStart_ = W(line.address);
      SetTimer(hWnd(), kFollowTimer, settings_.followStartMs, nullptr);
      return;
    }
  }
}

void StandInWebView::Log(const char* what, const std::wstring& url) const {
  if (settings_.log) settings_.log(what, url);
}

void StandInWebView::Follow(std::size_t line) {
  if (line >= page_.lines.size()) return;
  const std::string address = page_.lines[line].address;
  if (!FollowsLink(address)) {
    notice_ = L"Not followed: " + W(address.substr(0, address.find(':') + 1)) + L" links do nothing here.";
    InvalidateRect(hWnd(), nullptr, FALSE);
    return;
  }
  Navigate(W(address));
}

void StandInWebView::Layout() {
  boxes_.clear();
  if (!hWnd()) return;
  RECT client{};
  GetClientRect(hWnd(), &client);
  const int width = std::max<int>(40, client.right - 2 * kMargin);
  const WindowDC dc(hWnd());
  const Fonts fonts;
  top_ = kMargin + kTitleHeight + kSmallHeight + (notice_.empty() ? 0 : kSmallHeight) + 10;
  int y = top_;
  for (const PageLine& line : page_.lines) {
    RECT box{kMargin, y, kMargin + width, y + kLinkHeight};
    if (line.address.empty()) {
      const SelectGuard font(dc.get(), fonts.text.get());
      const std::wstring text = W(line.text);
      DrawTextW(dc.get(), text.c_str(), -1, &box, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
      box.right = kMargin + width;
      box.bottom += 6;
    }
    boxes_.push_back(box);
    y = box.bottom;
  }
  contentHeight_ = y + kMargin;
  ScrollBy(0);
}

void StandInWebView::ScrollBy(int pixels) {
  RECT client{};
  if (hWnd()) GetClientRect(hWnd(), &client);
  scroll_ = std::clamp(scroll_ + pixels, 0, std::max<int>(0, contentHeight_ - client.bottom));
}

int StandInWebView::LinkAt(POINT pt) const {
  pt.y += scroll_;
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    if (!page_.lines[i].address.empty() && PtInRect(&boxes_[i], pt)) return static_cast<int>(i);
  }
  return -1;
}

RECT StandInWebView::LinkBox(const std::wstring& address) const {
  RECT client{};
  if (hWnd()) GetClientRect(hWnd(), &client);
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    if (W(page_.lines[i].address) != address) continue;
    RECT box = boxes_[i];
    OffsetRect(&box, 0, -scroll_);
    RECT shown{};
    if (IntersectRect(&shown, &box, &client)) return shown;
  }
  return RECT{};
}

void StandInWebView::Paint(HDC target) {
  RECT client{};
  GetClientRect(hWnd(), &client);
  const UniqueDC dc(CreateCompatibleDC(target));
  const UniqueBitmap bitmap(CreateCompatibleBitmap(target, std::max<int>(1, client.right),
                                                   std::max<int>(1, client.bottom)));
  const SelectGuard surface(dc.get(), bitmap.get());
  const UniqueBrush back(CreateSolidBrush(kBack));
  FillRect(dc.get(), &client, back.get());
  SetBkMode(dc.get(), TRANSPARENT);
  const Fonts fonts;
  const int right = client.right - kMargin;
  const auto line = [&](HFONT font, COLORREF colour, const std::wstring& text, RECT box, UINT format) {
    OffsetRect(&box, 0, -scroll_);
    if (box.bottom < 0 || box.top > client.bottom) return;
    const SelectGuard selected(dc.get(), font);
    SetTextColor(dc.get(), colour);
    DrawTextW(dc.get(), text.c_str(), -1, &box, format | DT_NOPREFIX);
  };
  constexpr UINT kOneLine = DT_SINGLELINE | DT_END_ELLIPSIS | DT_VCENTER;
  int y = kMargin;
  const std::wstring title = page_.title.empty() ? documentUrl_ : W(page_.title);
  line(fonts.title.get(), RGB(40, 60, 120), title, RECT{kMargin, y, right, y + kTitleHeight}, kOneLine);
  y += kTitleHeight;
  line(fonts.small.get(), RGB(120, 120, 120), kStandInLine + documentUrl_, RECT{kMargin, y, right, y + kSmallHeight},
       kOneLine | DT_PATH_ELLIPSIS);
  y += kSmallHeight;
  if (!notice_.empty()) line(fonts.small.get(), RGB(170, 40, 30), notice_, RECT{kMargin, y, right, y + kSmallHeight},
                             kOneLine);
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    const PageLine& pageLine = page_.lines[i];
    if (pageLine.address.empty()) {
      line(fonts.text.get(), RGB(30, 30, 30), W(pageLine.text), boxes_[i], DT_WORDBREAK);
    } else {
      const COLORREF colour = FollowsLink(pageLine.address) ? kLinkColour : RGB(130, 130, 130);
      line(fonts.link.get(), colour, LinkText(pageLine), boxes_[i], kOneLine);
    }
  }
  BitBlt(target, 0, 0, client.right, client.bottom, dc.get(), 0, 0, SRCCOPY);
}

LRESULT StandInWebView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = hWnd();
  switch (msg) {
    case kFetched: {
      FetchedPage fetched;
      if (wParam == fetchId_ && fetch_ && fetch_->Take(fetched)) {
        fetch_.reset();
        Arrived(std::move(fetched));
      }
      return 0;
    }
    case kBlank:
      if (wParam == fetchId_) Show(std::exchange(fetchUrl_, std::wstring()), {}, {});
      return 0;
    case WM_TIMER:
      if (wParam == kFollowTimer) {
        KillTimer(hwnd, kFollowTimer);
        Navigate(followStart_);  // as a player's click on the page's start link
        return 0;
      }
      if (wParam == kFirstPageTimer) {
        KillTimer(hwnd, kFirstPageTimer);
        StartFetch();
        return 0;
      }
      break;
    case WM_SIZE:
      Layout();
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Paint(dc);
      EndPaint(hwnd, &ps);
      Log("painted", documentUrl_);
      return 0;
    }
    case WM_MOUSEWHEEL:
      ScrollBy(-GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3 * kLinkHeight);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETCURSOR: {
      POINT pt{};
      GetCursorPos(&pt);
      ScreenToClient(hwnd, &pt);
      if (LOWORD(lParam) == HTCLIENT && LinkAt(pt) >= 0) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONDOWN:
      pressed_ = LinkAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_LBUTTONUP: {
      const int link = LinkAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      const int pressed = std::exchange(pressed_, -1);
      if (link >= 0 && link == pressed) Follow(static_cast<std::size_t>(link));
      return 0;
    }
    default:
      break;
  }
  return DefaultProc(msg, wParam, lParam);
}

}  // namespace vorn2::standin
