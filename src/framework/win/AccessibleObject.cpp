#include "framework/win/AccessibleObject.h"

#include <atomic>
#include <map>

#include "framework/win/Handles.h"
#include "framework/win/SystemLibrary.h"
#include "framework/win/WinText.h"

namespace vorn2 {
namespace {

std::atomic<long> g_liveObjects{0};

// mingw's import library gives IID_IAccessible as a thunk, not the GUID.
const IID& kIidAccessible = __uuidof(IAccessible);

BSTR Bstr(const std::string& text) { return text.empty() ? nullptr : SysAllocString(W(text).c_str()); }

HRESULT TextResult(const std::string& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = Bstr(text);
  return *out ? S_OK : S_FALSE;
}

bool Contains(const RECT& r, long x, long y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

class AccessibleObject final : public IAccessible {
 public:
  explicit AccessibleObject(const std::shared_ptr<AccessibleNode>& node) : node_(node) {
    g_liveObjects.fetch_add(1);
    const AccessibilityFunctions* oleacc = Accessibility();
    if (oleacc && node->Window())
      oleacc->CreateStdAccessibleObject(node->Window(), OBJID_CLIENT, kIidAccessible, system_.put_void());
  }
  ~AccessibleObject() { g_liveObjects.fetch_sub(1); }
  AccessibleObject(const AccessibleObject&) = delete;
  AccessibleObject& operator=(const AccessibleObject&) = delete;

  // A new object for the node, as a reference the caller owns.
  static IDispatch* Make(const std::shared_ptr<AccessibleNode>& node) { return new AccessibleObject(node); }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != kIidAccessible) return E_NOINTERFACE;
    *out = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
  }

  // IDispatch: clients call the interface itself; no type information.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return count ? S_OK : E_POINTER;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  STDMETHODIMP get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    Target t;
    if (const HRESULT hr = Resolve(Self(), t); FAILED(hr)) return hr;
    if (std::shared_ptr<AccessibleNode> up = t.node->Parent()) {
      *parent = Make(up);
      return S_OK;
    }
    return system_ ? system_->get_accParent(parent) : S_FALSE;
  }
  STDMETHODIMP get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    Target t;
    if (const HRESULT hr = Resolve(Self(), t); FAILED(hr)) return hr;
    *count = static_cast<long>(t.node->Children().size());
    return S_OK;
  }
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    Target t;
    if (const HRESULT hr = Resolve(child, t); FAILED(hr)) return hr;
    if (t.self) return E_INVALIDARG;
    *out = Make(t.node);
    return S_OK;
  }
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
    return Text(child, name, &AccessibleInfo::name, &IAccessible::get_accName);
  }
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override {
    return Text(child, value, nullptr, &IAccessible::get_accValue);
  }
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override {
    return Text(child, text, nullptr, &IAccessible::get_accDescription);
  }
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    VariantInit(role);
    Target t;
    if (const HRESULT hr = Resolve(child, t); FAILED(hr)) return hr;
    role->vt = VT_I4;
    role->lVal = t.node->Info().role;
    return S_OK;
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
    if (!state) return E_POINTER;
    VariantInit(state);
    Target t;
    if (const HRESULT hr = Resolve(child, t); FAILED(hr)) return hr;
    long bits = t.node->Info().state;
    VARIANT system;
    VariantInit(&system);
    if (t.self && system_ && SUCCEEDED(system_->get_accState(Self(), &system)) && system.vt == VT_I4)
      bits |= system.lVal;
    state->vt = VT_I4;
    state->lVal = bits;
    return S_OK;
  }
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override {
    return Text(child, help, nullptr, &IAccessible::get_accHelp);
  }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    if (!file || !topic) return E_POINTER;
    *file = nullptr;
    *topic = 0;
    Target t;
    if (const HRESULT hr = Resolve(child, t); FAILED(hr)) return hr;
    return t.self && system_ ? system_->get_accHelpTopic(file, child, topic) : S_FALSE;
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    return Text(child, keys, nullptr, &IAccessible::get_accKeyboardShortcut);
  }
  STDMETHODIMP get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    Target t;
    if (const HRESULT hr = Resolve(Self(), t); FAILED(hr)) return hr;
    return system_ ? system_->get_accFocus(focus) : S_FALSE;
  }
  STDMETHODIMP get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    VariantInit(selection);
    Target t;
    if (const HRESULT hr = Resolve(Self(), t); FAILED(hr)) return hr;
    // The one selected child, where the node has one (the selected tab).
    const std::vector<std::shared_ptr<AccessibleNode>> children = t.node->Children();
    for (const std::shared_ptr<AccessibleNode>& c : children) {
      if (c->Info().state & STATE_SYSTEM_SELECTED) {
        selection->vt = VT_DISPATCH;
        selection->pdispVal = Make(c);
        return S_OK;
      }
    }
    return S_FALSE;
  }
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Text(child, action, &AccessibleInfo::defaultAction, nullptr);
  }
  STDMETHODIMP accSelect(long flags, VARIANT child) override {
    Target t;
    if (const HRESULT hr = Resolve(child, t); FAILED(hr)) return hr;
    return t.self && system_ ? system_->accSelect(flags, child) : DISP_E_MEMBERNOTFOUND;
  }
  STDMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    Target t;
    if (const HRESULT hr = Resolve(child, t); FAILED(hr)) return hr;
    if (t.self && system_) return system_->accLocation(left, top, width, height, child);
    const RECT r = t.node->ScreenRect();
    *left = r.left, *top = r.top, *width = r.right - r.left, *height = r.bottom - r.top;
    return S_OK;
  }
  STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (!end) return E_POINTER;
    VariantInit(end);
    Target t;
    if (const HRESULT hr = Resolve(start, t); FAILED(hr)) return hr;
    std::vector<std::shared_ptr<AccessibleNode>> row;
    if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
      if (!t.self) return S_FALSE;
      row = t.node->Children();
      if (row.empty()) return S_FALSE;
      return Hand(direction == NAVDIR_FIRSTCHILD ? row.front() : row.back(), end);
    }
    if (direction != NAVDIR_NEXT && direction != NAVDIR_PREVIOUS) {
      return t.self && system_ ? system_->accNavigate(direction, start, end) : S_FALSE;
    }
    const std::shared_ptr<AccessibleNode> self = node_.lock();
    const std::shared_ptr<AccessibleNode> parent = t.self ? t.node->Parent() : self;
    if (!parent) return t.self && system_ ? system_->accNavigate(direction, start, end) : S_FALSE;
    row = parent->Children();
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (row[i] != t.node) continue;
      if (direction == NAVDIR_NEXT && i + 1 < row.size()) return Hand(row[i + 1], end);
      if (direction == NAVDIR_PREVIOUS && i > 0) return Hand(row[i - 1], end);
    }
    return S_FALSE;
  }
  STDMETHODIMP accHitTest(long x, long y, VARIANT* at) override {
    if (!at) return E_POINTER;
    VariantInit(at);
    Target t;
    if (const HRESULT hr = Resolve(Self(), t); FAILED(hr)) return hr;
    // The innermost drawn part under the point.
    std::shared_ptr<AccessibleNode> found;
    for (std::vector<std::shared_ptr<AccessibleNode>> row = t.node->Children(); !row.empty();) {
      std::vector<std::shared_ptr<AccessibleNode>> next;
      for (const std::shared_ptr<AccessibleNode>& c : row) {
        if (c->Window() || !Contains(c->ScreenRect(), x, y)) continue;
        found = c;
        next = c->Children();
        break;
      }
      row = std::move(next);
    }
    if (found) return Hand(found, at);
    if (system_) return system_->accHitTest(x, y, at);
    if (!Contains(t.node->ScreenRect(), x, y)) return S_FALSE;
    at->vt = VT_I4;
    at->lVal = CHILDID_SELF;
    return S_OK;
  }
  STDMETHODIMP accDoDefaultAction(VARIANT child) override {
    Target t;
    if (const HRESULT hr = Resolve(child, t); FAILED(hr)) return hr;
    if (t.node->Info().defaultAction.empty()) return DISP_E_MEMBERNOTFOUND;
    RunFromMessageLoop([weak = std::weak_ptr<AccessibleNode>(t.node)] {
      const std::shared_ptr<AccessibleNode> node = weak.lock();
      if (node && node->Connected()) node->DoDefaultAction();
    });
    return S_OK;
  }
  STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  struct Target {
    std::shared_ptr<AccessibleNode> node;
    bool self = false;
  };

  static VARIANT Self() {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
  }

  // The node a child argument names: this object's (CHILDID_SELF) or its
  // n-th child. Nothing of a control that is gone is touched.
  HRESULT Resolve(const VARIANT& child, Target& t) const {
    t.node = node_.lock();
    if (!t.node || !t.node->Connected()) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    t.self = child.lVal == CHILDID_SELF;
    if (t.self) return S_OK;
    const std::vector<std::shared_ptr<AccessibleNode>> children = t.node->Children();
    if (child.lVal < 1 || static_cast<std::size_t>(child.lVal) > children.size()) return E_INVALIDARG;
    t.node = children[static_cast<std::size_t>(child.lVal) - 1];
    return t.node->Connected() ? S_OK : CO_E_OBJNOTCONNECTED;
  }

  // A text of the node's description, or for the window itself the
  // system's answer where the node says nothing.
  HRESULT Text(const VARIANT& child, BSTR* out, std::string AccessibleInfo::*own,
               HRESULT (STDMETHODCALLTYPE IAccessible::*system)(VARIANT, BSTR*)) {
    if (!out) return E_POINTER;
    *out = nullptr;
    Target t;
    if (const HRESULT hr = Resolve(child, t); FAILED(hr)) return hr;
    const std::string text = own ? t.node->Info().*own : std::string();
    if (text.empty() && t.self && system_ && system) return (system_.get()->*system)(child, out);
    return TextResult(text, out);
  }

  static HRESULT Hand(const std::shared_ptr<AccessibleNode>& node, VARIANT* out) {
    out->vt = VT_DISPATCH;
    out->pdispVal = Make(node);
    return S_OK;
  }

  LONG refs_ = 1;
  std::weak_ptr<AccessibleNode> node_;
  ComPtr<IAccessible> system_;  // the system's object of the node's window
};

std::map<UINT_PTR, std::function<void()>>& PendingTasks() {
  static std::map<UINT_PTR, std::function<void()>> tasks;
  return tasks;
}

void CALLBACK RunPendingTask(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto it = PendingTasks().find(id);
  if (it == PendingTasks().end()) return;
  const std::function<void()> task = std::move(it->second);
  PendingTasks().erase(it);
  task();
}

}  // namespace

std::optional<LRESULT> AccessibleRoot::Answer(WPARAM wParam, LPARAM lParam) {
  if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) return std::nullopt;
  const AccessibilityFunctions* oleacc = Accessibility();
  const std::shared_ptr<AccessibleNode>& node = Node();
  if (!oleacc || !node) return std::nullopt;
  // The marshalled copy keeps the object for the client; ours goes.
  const ComPtr<IDispatch> object = ComPtr<IDispatch>::Adopt(AccessibleObject::Make(node));
  const LRESULT result = oleacc->LresultFromObject(kIidAccessible, wParam, object.get());
  return result >= 0 ? std::optional<LRESULT>(result) : std::nullopt;
}

const std::shared_ptr<AccessibleNode>& AccessibleRoot::Node() {
  if (!node_ && make_) node_ = make_();
  return node_;
}

void AnnounceAccessible(HWND window, DWORD event, long child) {
  if (window) NotifyWinEvent(event, window, OBJID_CLIENT, child);
}

void ClickAsMouse(HWND window, POINT at) {
  // The mouse does not reach a window that is disabled or lies in one (its
  // top-level window under a modal dialog): neither does this click.
  for (HWND w = window; w; w = (GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr) {
    if (!IsWindowEnabled(w)) return;
  }
  const LPARAM where = MAKELPARAM(at.x, at.y);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, where);
  if (IsWindow(window)) SendMessageW(window, WM_LBUTTONUP, 0, where);
}

void RunFromMessageLoop(std::function<void()> task) {
  // A thread timer: every loop of the thread dispatches it, modal ones too.
  const UINT_PTR id = SetTimer(nullptr, 0, 0, &RunPendingTask);
  if (id) PendingTasks()[id] = std::move(task);
}

long LiveAccessibleObjects() { return g_liveObjects.load(); }

}  // namespace vorn2
