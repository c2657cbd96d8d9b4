#include "mainwindow/win/WebUrl.h"

#include "framework/win/WebBrowserHost.h"
#include "framework/win/WinText.h"

namespace vorn2 {
namespace {

FormDesign PageDesign() {
  FormDesign d;
  d.className = L"Vorn2WebUrl";
  d.caption = "WebUrl";
  // A plain overlapped window; the tab model takes its frame away when it
  // makes it a child of the content panel.
  d.style = WS_OVERLAPPED | WS_CLIPCHILDREN;
  d.clientWidthTwips = 9000;
  d.clientHeightTwips = 6000;
  d.showInTaskbar = false;
  d.appIcon = false;
  d.backColor = GetSysColor(COLOR_WINDOW);
  return d;
}

}  // namespace

WebUrl::WebUrl(WebViewFactory createWebView)
    : Form(PageDesign()),
      createWebView_(createWebView ? std::move(createWebView) : WebViewFactory(&CreateWebBrowser)) {}

WebUrl::~WebUrl() {
  if (wb_) wb_->Destroy();
  Destroy();
}

void WebUrl::OnLoad() {
  RECT rc{};
  GetClientRect(hWnd(), &rc);
  picture1_.Create(hWnd(), 0, 0, rc.right, rc.bottom, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);
  picture1_.SetBackColor(GetSysColor(COLOR_WINDOW));
  picture1_.Events().Resize = [this] { PlaceBrowser(); };

  wb_ = createWebView_();
  if (!wb_) return;
  const int border = BrowserBorder();
  wb_->Create(picture1_.hWnd(), -border, -border, rc.right + 2 * border, rc.bottom + 2 * border);
  WebViewEvents& events = wb_->Events();
  events.downloadBegin = [this] {
    if (wb_) wb_->SetSilent(true);
  };
  events.titleChange = [this](const std::wstring& title) {
    if (item_) item_->SetCaption(U8(title));
  };
  events.documentComplete = [this](const std::wstring&, bool) { OnDocumentComplete(); };
  wb_->Navigate(L"about:blank");
}

void WebUrl::OnUnload(bool&) {
  if (wb_) wb_->Destroy();
}

void WebUrl::OnResize() {
  if (!picture1_.Exists()) return;
  RECT rc{};
  GetClientRect(hWnd(), &rc);
  picture1_.Move(0, 0, rc.right, rc.bottom);
}

void WebUrl::PlaceBrowser() {
  if (!wb_ || !picture1_.Exists()) return;
  RECT rc{};
  GetClientRect(picture1_.hWnd(), &rc);
  const int border = BrowserBorder();
  wb_->Move(-border, -border, rc.right + 2 * border, rc.bottom + 2 * border);
}

// Two pixels (at 96 dpi) beyond the box on every side: the control's own
// border is clipped away.
int WebUrl::BrowserBorder() const { return Scale().Px(2); }

void WebUrl::OnDpiChanged() {
  Form::OnDpiChanged();
  PlaceBrowser();
}

void WebUrl::OnDocumentComplete() {
  if (!wb_) return;
  wb_->SetSilent(true);
  // The page's own scroll bars go, after every completed document.
  wb_->SetRootOverflowHidden();
}

void WebUrl::OpenURL(const std::string& szURL) {
  if (!IsLoaded() && !Load()) return;
  if (wb_) wb_->Navigate(W(szURL));
}

void WebUrl::SetTab(std::weak_ptr<IuTab> implement, std::shared_ptr<CTabItem> item) {
  implement_ = std::move(implement);
  item_ = std::move(item);
}

std::shared_ptr<WebUrlTab> WebUrlTab::New(WebViewFactory createWebView) {
  return std::make_shared<WebUrlTab>(std::move(createWebView));
}

WindowHandle WebUrlTab::hWnd() { return reinterpret_cast<WindowHandle>(page_.hWnd()); }

void WebUrlTab::Initialize(std::weak_ptr<IuTab> Implement, std::shared_ptr<CTabItem> Item) {
  page_.SetTab(std::move(Implement), std::move(Item));
}

void WebUrlTab::RefreshPage() {
  if (page_.wb()) page_.wb()->Refresh();
}

void WebUrlTab::Unload() {
  page_.Unload();
  page_.SetTab({}, nullptr);  // the item <-> window cycle ends here
}

}  // namespace vorn2
