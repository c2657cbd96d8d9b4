#include "win/support/TourWebView.h"

#include <wininet.h>

#include <cstdlib>
#include <fstream>
#include <utility>

#include "framework/Notify.h"
#include "framework/win/Handles.h"
#include "framework/win/WinText.h"

namespace vorn2::test {
namespace {

constexpr wchar_t kClass[] = L"Vorn2TourPage";
constexpr UINT kFetch = WM_APP + 1;
constexpr UINT_PTR kClickTimer = 1;
constexpr UINT_PTR kFetchTimer = 2;

unsigned Setting(const char* name, unsigned fallback) {
  const char* text = std::getenv(name);
  return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : fallback;
}

std::string Fetch(const std::wstring& url) {
  std::string body;
  HINTERNET internet = InternetOpenW(L"vorn2-tour", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (!internet) return body;
  if (HINTERNET request = InternetOpenUrlW(internet, url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0)) {
    char buffer[16384];
    DWORD got = 0;
    while (InternetReadFile(request, buffer, sizeof(buffer), &got) && got > 0) body.append(buffer, got);
    InternetCloseHandle(request);
  }
  InternetCloseHandle(internet);
  return body;
}

std::string Between(const std::string& text, const std::string& open, const std::string& close) {
  const std::size_t a = text.find(open);
  if (a == std::string::npos) return {};
  const std::size_t b = text.find(close, a + open.size());
  return b == std::string::npos ? std::string() : text.substr(a + open.size(), b - a - open.size());
}

std::string Unescape(std::string s) {
  const std::pair<const char*, const char*> entities[] = {{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"},
                                                          {"&quot;", "\""}, {"&#x27;", "'"}, {"&#39;", "'"}};
  for (const auto& [from, to] : entities) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + 1)) {
      s.replace(at, std::char_traits<char>::length(from), to);
    }
  }
  return s;
}

// The text a reader sees: tags and scripts dropped, blank runs folded.
std::string VisibleText(const std::string& html) {
  std::string body = Between(html, "<body", "</body>");
  if (body.empty()) body = html;
  std::string out;
  bool inTag = false;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body.compare(i, 7, "<script") == 0) {
      const std::size_t end = body.find("</script>", i);
      if (end == std::string::npos) break;
      i = end + 8;
      continue;
    }
    const char c = body[i];
    if (c == '<') {
      inTag = true;
      if (body.compare(i, 3, "<p>") == 0 || body.compare(i, 3, "<h1") == 0 || body.compare(i, 4, "<br") == 0 ||
          body.compare(i, 4, "<div") == 0)
        out += '\n';
    } else if (c == '>') {
      inTag = false;
      out += ' ';
    } else if (!inTag) {
      const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
      if (!(blank && !out.empty() && (out.back() == ' ' || out.back() == '\n'))) out += blank ? ' ' : c;
    }
  }
  return Unescape(out);
}

}  // namespace

std::unique_ptr<IWebView> CreateTourWebView() { return std::make_unique<TourWebView>(); }

TourWebView::~TourWebView() { Destroy(); }

bool TourWebView::Create(HWND parent, int x, int y, int width, int height) {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TourWebView::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClass;
    return RegisterClassExW(&wc) != 0;
  }();
  if (!registered || hwnd_) return hwnd_ != nullptr;
  hwnd_ = CreateWindowExW(0, kClass, L"", WS_CHILD | WS_VISIBLE, x, y, width, height, parent, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  if (hwnd_) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  return hwnd_ != nullptr;
}

void TourWebView::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (hwnd_ && IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  hwnd_ = nullptr;
}

void TourWebView::Move(int x, int y, int width, int height) {
  if (hwnd_) MoveWindow(hwnd_, x, y, width, height, TRUE);
}

void TourWebView::Navigate(const std::wstring& url) {
  if (destroyed_) return;
  Log("navigate " + U8(url));
  bool cancel = false;
  Raise(events_.beforeNavigate, url, true, cancel);
  // The handler may have closed the window (exit, start game).
  if (destroyed_ || cancel || url.rfind(L"app://", 0) == 0) return;
  pending_ = url;
  Raise(events_.downloadBegin);
  if (destroyed_ || !hwnd_) return;
  // Documents arrive later, as with the control; the process's first one
  // may be held back, so that the splash can be seen.
  static bool first = true;
  const unsigned delay = first ? Setting("VORN2_TOUR_FIRST_PAGE_MS", 0) : 0;
  first = false;
  if (delay) SetTimer(hwnd_, kFetchTimer, delay, nullptr);
  else PostMessageW(hwnd_, kFetch, 0, 0);
}

void TourWebView::Refresh() {
  if (!documentUrl_.empty()) Navigate(documentUrl_);
}

long TourWebView::RootInnerHtmlLength() {
  const std::size_t html = html_.find("<html");
  if (html == std::string::npos) return static_cast<long>(html_.size());
  const std::size_t open = html_.find('>', html);
  const std::size_t close = html_.rfind("</html>");
  if (open == std::string::npos || close == std::string::npos || close < open) return static_cast<long>(html_.size());
  return static_cast<long>(close - open - 1);
}

void TourWebView::Load() {
  // A newer navigation replaced the one this message was posted for.
  if (pending_.empty()) return;
  const std::wstring url = std::exchange(pending_, std::wstring());
  html_ = url == L"about:blank" ? std::string() : Fetch(url);
  documentUrl_ = url;
  title_ = W(Unescape(Between(html_, "<title>", "</title>")));
  text_ = W(VisibleText(html_));
  const std::string link = Between(html_, "href=\"app://loadgame|", "\"");
  loadGameLink_ = link.empty() ? std::wstring() : W("app://loadgame|" + Unescape(link));
  InvalidateRect(hwnd_, nullptr, TRUE);
  Log("complete " + U8(url));
  if (!title_.empty()) Raise(events_.titleChange, title_);
  if (destroyed_) return;
  Raise(events_.documentComplete, url, true);
  if (destroyed_ || loadGameLink_.empty()) return;
  if (const unsigned delay = Setting("VORN2_TOUR_CLICK_MS", 1500)) SetTimer(hwnd_, kClickTimer, delay, nullptr);
}

void TourWebView::Paint(HDC dc) {
  RECT rc{};
  GetClientRect(hwnd_, &rc);
  const UniqueBrush back(CreateSolidBrush(RGB(250, 250, 246)));
  FillRect(dc, &rc, back.get());
  SetBkMode(dc, TRANSPARENT);
  const UniqueFont big(CreateFontW(-22, 0, 0, 0, FW_BOLD, 0, 0, 0, GB2312_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                                   L"SimSun"));
  const UniqueFont small(CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                                     L"SimSun"));
  RECT line{rc.left + 24, rc.top + 20, rc.right - 24, rc.top + 52};
  {
    const SelectGuard font(dc, big.get());
    SetTextColor(dc, RGB(40, 60, 120));
    DrawTextW(dc, title_.empty() ? documentUrl_.c_str() : title_.c_str(), -1, &line, DT_SINGLELINE | DT_END_ELLIPSIS);
  }
  const SelectGuard font(dc, small.get());
  SetTextColor(dc, RGB(110, 110, 110));
  line = RECT{rc.left + 24, rc.top + 56, rc.right - 24, rc.top + 76};
  const std::wstring where = L"(tour stand-in page) " + documentUrl_;
  DrawTextW(dc, where.c_str(), -1, &line, DT_SINGLELINE | DT_END_ELLIPSIS);
  SetTextColor(dc, RGB(30, 30, 30));
  RECT body{rc.left + 24, rc.top + 90, rc.right - 24, rc.bottom - 10};
  DrawTextW(dc, text_.c_str(), -1, &body, DT_WORDBREAK | DT_END_ELLIPSIS);
  // Painting means showing: the page of the selected tab, logged when it changes.
  static std::wstring lastShown;
  if (!documentUrl_.empty() && documentUrl_ != lastShown) {
    lastShown = documentUrl_;
    Log("shown " + U8(documentUrl_));
  }
}

void TourWebView::Log(const std::string& line) {
  if (const char* path = std::getenv("VORN2_TOUR_LOG")) {
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out << line << "\n";
  }
}

LRESULT CALLBACK TourWebView::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TourWebView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self) {
    switch (msg) {
      case kFetch:
        self->Load();
        return 0;
      case WM_TIMER:
        if (wParam == kFetchTimer) {
          KillTimer(hwnd, kFetchTimer);
          self->Load();
          return 0;
        }
        if (wParam == kClickTimer) {
          KillTimer(hwnd, kClickTimer);
          self->Navigate(self->loadGameLink_);  // the player's click on the page's link
          return 0;
        }
        break;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        self->Paint(dc);
        EndPaint(hwnd, &ps);
        return 0;
      }
      default:
        break;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace vorn2::test
