#include "framework/win/WebBrowserHost.h"

#include <ole2.h>
#include <olectl.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtml.h>
#include <mshtmhst.h>

#include "framework/Notify.h"
#include "framework/win/FailureTrace.h"
#include "framework/win/Handles.h"
#include "framework/win/MessageLoop.h"
#include "framework/win/Window.h"

namespace vorn2 {
namespace {

constexpr const wchar_t* kContainerClass = L"Vorn2WebBrowserHost";

LONG g_liveSites = 0;


// Event arguments come by value or by reference depending on the caller.
const VARIANT* Deref(const VARIANT& v) {
  if (V_VT(&v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&v)) return V_VARIANTREF(&v);
  return &v;
}

std::wstring StringArg(const VARIANT& v) {
  const VARIANT* p = Deref(v);
  BSTR b = nullptr;
  if (V_VT(p) == VT_BSTR) b = V_BSTR(p);
  else if (V_VT(p) == (VT_BYREF | VT_BSTR) && V_BSTRREF(p)) b = *V_BSTRREF(p);
  return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

IDispatch* DispatchArg(const VARIANT& v) {
  const VARIANT* p = Deref(v);
  if (V_VT(p) == VT_DISPATCH) return V_DISPATCH(p);
  if (V_VT(p) == (VT_BYREF | VT_DISPATCH) && V_DISPATCHREF(p)) return *V_DISPATCHREF(p);
  return nullptr;
}

bool SameObject(IUnknown* a, IUnknown* b) {
  if (!a || !b) return false;
  ComPtr<IUnknown> ua, ub;
  return SUCCEEDED(a->QueryInterface(IID_IUnknown, ua.put_void())) &&
         SUCCEEDED(b->QueryInterface(IID_IUnknown, ub.put_void())) && ua.get() == ub.get();
}

}  // namespace

// One object is the control's client site, in-place site and frame, UI
// handler and DWebBrowserEvents2 sink. Its ambient-property IDispatch and
// the event sink share Invoke: the event ids are positive, ambient ones
// negative, and unknown ids are simply not handled.
// It is also the window the control sits in, bound to it through Window.
class WebBrowserHost::Site final : public IOleClientSite,
                                   public IOleInPlaceSite,
                                   public IOleInPlaceFrame,
                                   public IDocHostUIHandler,
                                   public IDispatch,
                                   private Window {
 public:
  explicit Site(WebBrowserHost* owner) : owner_(owner) { InterlockedIncrement(&g_liveSites); }

  bool Create(HWND parent, int x, int y, int width, int height);
  void Detach();  // the owner lets go: no more notifications, release the control
  void Move(int x, int y, int width, int height);

  HWND container() const { return hWnd(); }
  IWebBrowser2* browser() const { return browser_.get(); }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) *ppv = static_cast<IOleClientSite*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
      *ppv = static_cast<IOleInPlaceFrame*>(this);
    else if (riid == IID_IDocHostUIHandler) *ppv = static_cast<IDocHostUIHandler*>(this);
    else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) *ppv = static_cast<IDispatch*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override {
    if (ppmk) *ppmk = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** ppContainer) override {
    if (ppContainer) *ppContainer = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (in-place site and frame)
  STDMETHODIMP GetWindow(HWND* phwnd) override {
    if (!phwnd) return E_POINTER;
    *phwnd = hWnd();
    return Exists() ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return Exists() ? S_OK : S_FALSE; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override {
    if (ppFrame) {
      *ppFrame = static_cast<IOleInPlaceFrame*>(this);
      AddRef();
    }
    if (ppDoc) *ppDoc = nullptr;
    RECT rc{};
    if (Exists()) GetClientRect(hWnd(), &rc);
    if (lprcPosRect) *lprcPosRect = rc;
    if (lprcClipRect) *lprcClipRect = rc;
    if (lpFrameInfo) {
      lpFrameInfo->fMDIApp = FALSE;
      lpFrameInfo->hwndFrame = Exists() ? GetAncestor(hWnd(), GA_ROOT) : nullptr;
      lpFrameInfo->haccel = nullptr;
      lpFrameInfo->cAccelEntries = 0;
    }
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT lprcPosRect) override {
    if (inplace_ && lprcPosRect) inplace_->SetObjectRects(lprcPosRect, lprcPosRect);
    return S_OK;
  }

  // IOleInPlaceUIWindow / IOleInPlaceFrame: no toolbars, menus or borders.
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR) override {
    // Kept so that keyboard messages can be offered to the page.
    active_ = ComPtr<IOleInPlaceActiveObject>::Share(pActiveObject);
    return S_OK;
  }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDocHostUIHandler
  STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override {
    // S_OK: "the host showed it" (nothing); S_FALSE: the browser shows its own.
    return owner_ && owner_->contextMenu_ ? S_FALSE : S_OK;
  }
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* pInfo) override {
    if (!pInfo) return E_POINTER;
    // The pages are drawn at the screen's scale, as the windows around them.
    DWORD flags = DOCHOSTUIFLAG_DPI_AWARE;
    if (owner_ && !owner_->scrollBars_) flags |= DOCHOSTUIFLAG_SCROLL_NO;
    if (owner_ && !owner_->border_) flags |= DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER;
    pInfo->dwFlags = flags;
    pInfo->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
  }
  STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                      IOleInPlaceUIWindow*) override {
    return S_OK;
  }
  STDMETHODIMP HideUI() override { return S_OK; }
  STDMETHODIMP UpdateUI() override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* pchKey, DWORD) override {
    if (pchKey) *pchKey = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** ppDropTarget) override {
    if (ppDropTarget) *ppDropTarget = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetExternal(IDispatch** ppDispatch) override {
    if (ppDispatch) *ppDispatch = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* ppchURLOut) override {
    if (ppchURLOut) *ppchURLOut = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** ppDORet) override {
    if (ppDORet) *ppDORet = nullptr;
    return S_FALSE;
  }

  // IDispatch: the DWebBrowserEvents2 sink.
  STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override {
    if (pctinfo) *pctinfo = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
    if (ppTInfo) *ppTInfo = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT*, EXCEPINFO*,
                      UINT*) override;

 private:
  ~Site() { InterlockedDecrement(&g_liveSites); }
  void ReleaseControl();
  bool IsTopLevel(IDispatch* frame) const { return !frame || SameObject(frame, browser_.get()); }
  // Tab, F5, editing and clipboard keys are the page's before they are ours.
  bool TranslateKey(MSG& msg) { return active_ && active_->TranslateAccelerator(&msg) == S_OK; }
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  LONG refs_ = 1;  // the owner's reference
  WebBrowserHost* owner_;
  ComPtr<IOleObject> ole_;
  ComPtr<IOleInPlaceObject> inplace_;
  ComPtr<IWebBrowser2> browser_;
  ComPtr<IOleInPlaceActiveObject> active_;
  ComPtr<IConnectionPoint> events_;
  DWORD cookie_ = 0;
  int eventDepth_ = 0;
  bool releasePending_ = false;
};

bool WebBrowserHost::Site::Create(HWND parent, int x, int y, int width, int height) {
  if (!RegisterClassOnce(kContainerClass, 0) ||
      !CreateHostWindow(0, kContainerClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width, height, parent,
                        nullptr)) {
    return false;
  }
  SetKeyFilter(hWnd(), [this](MSG& msg) { return TranslateKey(msg); });

  VORN2_RETURN_IF_FAILED(
      CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, ole_.put_void()), false);
  VORN2_TRACE_HR(ole_->SetClientSite(static_cast<IOleClientSite*>(this)));
  OleSetContainedObject(ole_.get(), TRUE);
  RECT rc;
  GetClientRect(hWnd(), &rc);
  VORN2_TRACE_HR(ole_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, hWnd(), &rc));
  inplace_ = ole_.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
  browser_ = ole_.As<IWebBrowser2>(IID_IWebBrowser2);
  if (!browser_) return false;
  if (inplace_) inplace_->SetObjectRects(&rc, &rc);

  if (ComPtr<IConnectionPointContainer> cpc = ole_.As<IConnectionPointContainer>(IID_IConnectionPointContainer)) {
    if (SUCCEEDED(cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, events_.put())) &&
        FAILED(events_->Advise(static_cast<IDispatch*>(this), &cookie_))) {
      events_.reset();
    }
  }
  return true;
}

void WebBrowserHost::Site::Move(int x, int y, int width, int height) {
  if (Exists()) MoveWindow(hWnd(), x, y, width, height, TRUE);  // WM_SIZE resizes the control
}

void WebBrowserHost::Site::Detach() {
  owner_ = nullptr;
  if (eventDepth_ > 0) releasePending_ = true;
  else ReleaseControl();
}

// In order: stop the events, leave the in-place state, close the control and
// take our site back from it, drop our references, then the window.
void WebBrowserHost::Site::ReleaseControl() {
  releasePending_ = false;
  AddRef();  // the control's releases below must not end us half-way
  if (events_) {
    VORN2_TRACE_HR(events_->Unadvise(cookie_));
    events_.reset();
  }
  if (browser_) browser_->Stop();
  if (inplace_) {
    VORN2_TRACE_HR(inplace_->InPlaceDeactivate());
    inplace_.reset();
  }
  active_.reset();
  if (ole_) {
    VORN2_TRACE_HR(ole_->Close(OLECLOSE_NOSAVE));
    VORN2_TRACE_HR(ole_->SetClientSite(nullptr));
  }
  browser_.reset();
  ole_.reset();
  if (Exists()) {
    SetKeyFilter(hWnd(), {});
    Destroy();
  }
  Release();
}

STDMETHODIMP WebBrowserHost::Site::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*,
                                          EXCEPINFO*, UINT*) {
  if (!p) return DISP_E_MEMBERNOTFOUND;
  AddRef();
  ++eventDepth_;
  HRESULT hr = S_OK;
  // Arguments arrive last-first in rgvarg.
  switch (dispIdMember) {
    case DISPID_BEFORENAVIGATE2:  // pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel
      if (p->cArgs == 7 && owner_) {
        std::wstring url = StringArg(p->rgvarg[5]);
        bool top = IsTopLevel(DispatchArg(p->rgvarg[6]));
        VARIANT& cancelArg = p->rgvarg[0];
        bool cancel = V_VT(&cancelArg) == (VT_BYREF | VT_BOOL) && V_BOOLREF(&cancelArg) &&
                      *V_BOOLREF(&cancelArg) != VARIANT_FALSE;
        Raise(owner_->events_.beforeNavigate, url, top, cancel);
        if (V_VT(&cancelArg) == (VT_BYREF | VT_BOOL) && V_BOOLREF(&cancelArg))
          *V_BOOLREF(&cancelArg) = cancel ? VARIANT_TRUE : VARIANT_FALSE;
      }
      break;
    case DISPID_DOWNLOADBEGIN:
      if (owner_) Raise(owner_->events_.downloadBegin);
      break;
    case DISPID_DOCUMENTCOMPLETE:  // pDisp, URL
      if (p->cArgs == 2 && owner_) {
        std::wstring url = StringArg(p->rgvarg[0]);
        bool top = IsTopLevel(DispatchArg(p->rgvarg[1]));
        Raise(owner_->events_.documentComplete, url, top);
      }
      break;
    case DISPID_TITLECHANGE:  // Text
      if (p->cArgs == 1 && owner_) Raise(owner_->events_.titleChange, StringArg(p->rgvarg[0]));
      break;
    default:
      hr = DISP_E_MEMBERNOTFOUND;
      break;
  }
  --eventDepth_;
  if (eventDepth_ == 0 && releasePending_) ReleaseControl();
  Release();
  return hr;
}

LRESULT WebBrowserHost::Site::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SIZE:
      if (inplace_) {
        RECT rc{0, 0, LOWORD(lParam), HIWORD(lParam)};
        inplace_->SetObjectRects(&rc, &rc);
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the control covers the whole window
    case WM_DESTROY:
      SetKeyFilter(hWnd(), {});  // also when it goes with its parent
      break;
    default:
      break;
  }
  return DefaultProc(msg, wParam, lParam);
}

WebBrowserHost::WebBrowserHost() = default;

WebBrowserHost::~WebBrowserHost() { Destroy(); }

bool WebBrowserHost::Create(HWND parent, int x, int y, int width, int height) {
  if (site_) return site_->browser() != nullptr;
  site_ = new Site(this);
  if (site_->Create(parent, x, y, width, height)) return true;
  Destroy();
  return false;
}

void WebBrowserHost::Destroy() {
  if (!site_) return;
  Site* site = site_;
  site_ = nullptr;
  site->Detach();
  site->Release();
}

HWND WebBrowserHost::hWnd() const { return site_ ? site_->container() : nullptr; }

void WebBrowserHost::Move(int x, int y, int width, int height) {
  if (site_) site_->Move(x, y, width, height);
}

IWebBrowser2* WebBrowserHost::Browser() const { return site_ ? site_->browser() : nullptr; }

IOleClientSite* WebBrowserHost::ClientSite() const { return site_; }

HWND WebBrowserHost::ControlWindow() const {
  HWND container = hWnd();
  return container ? GetWindow(container, GW_CHILD) : nullptr;
}

long WebBrowserHost::LiveSites() { return g_liveSites; }

void WebBrowserHost::Navigate(const std::wstring& url) {
  IWebBrowser2* browser = Browser();
  if (!browser) return;
  const UniqueBstr address(SysAllocStringLen(url.data(), static_cast<UINT>(url.size())));
  VARIANT empty;
  VariantInit(&empty);
  VORN2_TRACE_HR(browser->Navigate(address.get(), &empty, &empty, &empty, &empty));
}

void WebBrowserHost::Refresh() {
  if (IWebBrowser2* browser = Browser()) browser->Refresh();
}

void WebBrowserHost::SetSilent(bool silent) {
  if (IWebBrowser2* browser = Browser()) browser->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE);
}

bool WebBrowserHost::Silent() const {
  VARIANT_BOOL silent = VARIANT_FALSE;
  if (IWebBrowser2* browser = Browser()) browser->get_Silent(&silent);
  return silent != VARIANT_FALSE;
}

namespace {

// The browser's current top-level document as IHTMLDocument2/3.
template <typename Doc>
ComPtr<Doc> CurrentDocument(IWebBrowser2* browser, REFIID iid) {
  ComPtr<IDispatch> disp;
  if (!browser || FAILED(browser->get_Document(disp.put())) || !disp) return {};
  return disp.As<Doc>(iid);
}

ComPtr<IHTMLElement> RootElement(IWebBrowser2* browser) {
  ComPtr<IHTMLElement> root;
  ComPtr<IHTMLDocument3> doc = CurrentDocument<IHTMLDocument3>(browser, IID_IHTMLDocument3);
  if (!doc || FAILED(doc->get_documentElement(root.put()))) root.reset();
  return root;
}

}  // namespace

std::wstring WebBrowserHost::DocumentUrl() {
  ComPtr<IHTMLDocument2> doc = CurrentDocument<IHTMLDocument2>(Browser(), IID_IHTMLDocument2);
  UniqueBstr url;
  if (!doc || FAILED(doc->get_URL(url.put())) || !url) return {};
  return std::wstring(url.get(), SysStringLen(url.get()));
}

long WebBrowserHost::RootInnerHtmlLength() {
  ComPtr<IHTMLElement> root = RootElement(Browser());
  UniqueBstr html;
  if (!root || FAILED(root->get_innerHTML(html.put()))) return 0;
  return static_cast<long>(SysStringLen(html.get()));
}

bool WebBrowserHost::SetRootOverflowHidden() {
  ComPtr<IHTMLElement> root = RootElement(Browser());
  ComPtr<IHTMLStyle> style;
  if (!root || FAILED(root->get_style(style.put())) || !style) return false;
  const UniqueBstr hidden(SysAllocString(L"hidden"));
  return SUCCEEDED(style->put_overflow(hidden.get()));
}

void WebBrowserHost::SetContextMenuEnabled(bool enabled) { contextMenu_ = enabled; }
void WebBrowserHost::SetScrollBars(bool shown) { scrollBars_ = shown; }
void WebBrowserHost::SetBorder(bool shown) { border_ = shown; }

std::unique_ptr<IWebView> CreateWebBrowser() { return std::make_unique<WebBrowserHost>(); }

}  // namespace vorn2
