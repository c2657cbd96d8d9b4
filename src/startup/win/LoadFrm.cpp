#include "startup/win/LoadFrm.h"

#include <system_error>

#include "framework/FailureTrace.h"
#include "framework/win/MessageLoop.h"
#include "framework/win/ProcessEnvironment.h"
#include "framework/win/Prompt.h"
#include "framework/win/WinText.h"
#include "resource_ids.h"
#include "startup/StartupRules.h"

namespace vorn2 {
namespace {
// Its caption is never seen: screen readers call it by the client it stands for.
constexpr const char* kAccessibleName = "Vornhold 2" "客户端";

FormDesign SplashDesign() {
  FormDesign d;
  d.className = L"Vorn2LoadFrm";
  d.caption = "Form1";
  d.style = WS_POPUP | WS_CLIPCHILDREN;
  d.clientWidthTwips = 5340;
  d.clientHeightTwips = 1830;
  d.startUp = StartUpPosition::CenterScreen;
  d.showInTaskbar = false;
  return d;
}

// The start-up goes on without what the worker failed to bring; a debugger
// still hears why.
void TraceAheadFailure(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (...) {
    VORN2_TRACE_CAUGHT();
  }
}
}  // namespace

LoadFrm::LoadFrm(StartupSettings settings)
    : Form(SplashDesign()),
      settings_(std::move(settings)),
      swap_(ModulePath()),
      accessible_([this] {
        return std::make_shared<WindowAccessible>(
            hWnd(), [] { return AccessibleInfo{ROLE_SYSTEM_CLIENT, kAccessibleName, 0, {}}; });
      }) {}

LoadFrm::~LoadFrm() {
  WaitForAhead();
  Destroy();
}

void LoadFrm::MakeUpdateChecker() {
  if (updateChecker_) return;
  updateChecker_ = std::make_unique<StartupUpdateChecker>(settings_.updateServer, timeouts_);
  updateChecker_->beforeQuestion = [this] { swap_.FirstWindowShown(); };
}

void LoadFrm::BeginCreate() {
  if (ahead_.joinable() || connectedAhead_ || aheadFailure_) return;
  MakeUpdateChecker();
  aheadDone_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  try {
    ahead_ = std::thread([this] {
      // Whatever ends the work early goes to the window thread, not to
      // std::terminate.
      try {
        connectedAhead_ = Process().isConnected();
        if (*connectedAhead_) {  // offline, the message comes at once, from Create()
          updateChecker_->Fetch();
          splashAhead_ = DecodePngResource(IDR_PNG_SPLASH);
        }
      } catch (...) {
        aheadFailure_ = std::current_exception();
      }
      if (aheadDone_) SetEvent(aheadDone_.get());
    });
  } catch (const std::system_error&) {
    // No thread: Create() does all of it itself.
  }
}

void LoadFrm::WaitForAhead() {
  if (!ahead_.joinable()) return;
  if (aheadDone_) WaitServingSentMessages(aheadDone_.get());
  ahead_.join();
  aheadDone_.reset();
}

void LoadFrm::End() {
  ended_ = true;
  Process().endAtOnce();
}

bool LoadFrm::Create() {
  WaitForAhead();
  MakeUpdateChecker();
  if (aheadFailure_) {
    TraceAheadFailure(aheadFailure_);
    updateChecker_->FetchFailed();
  }
  // A worker that failed before the network check leaves it undecided:
  // going on is what a failed download would have led to.
  const bool connected = connectedAhead_ ? *connectedAhead_ : aheadFailure_ || Process().isConnected();
  if (!connected) {
    swap_.FirstWindowShown();
    Prompt(nullptr, kNetworkMessage, kPromptTitle, MB_ICONEXCLAMATION);
    End();
    return false;
  }
  updateChecker_->CheckForUpdate();
  if (updateChecker_->UpdaterStarted()) {
    ended_ = true;  // the checker has already ended the process
    return false;
  }
  return true;
}

void LoadFrm::Start() {
  if (!Load() || ended_) return;
  Show();
  swap_.FirstWindowShown();
}

void LoadFrm::OnLoad() {
  if (IsWebSwitch(settings_.arguments)) {
    Process().shellOpen(W(settings_.homePage), L"");
    End();
    return;
  }
  SetWindowLongPtrW(hWnd(), GWL_EXSTYLE, GetWindowLongPtrW(hWnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
  if (splashAhead_.image) PaintLayeredPng(hWnd(), std::move(splashAhead_), splash_, Scale());
  else PaintLayeredPng(hWnd(), IDR_PNG_SPLASH, splash_, Scale());
  if (loadLogin) loadLogin();
}

void LoadFrm::OnUnload(bool&) { TeardownLayered(splash_); }

LRESULT LoadFrm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_GETOBJECT) {
    if (const std::optional<LRESULT> object = accessible_.Answer(wParam, lParam)) return *object;
  }
  return Form::WndProc(msg, wParam, lParam);
}

void LoadFrm::OnWindowDestroyed() {
  accessible_.Disconnect();
  Form::OnWindowDestroyed();
}

void LoadFrm::OnDpiChanged() {
  Form::OnDpiChanged();
  if (splash_.bitmap) PaintLayeredPng(hWnd(), IDR_PNG_SPLASH, splash_, Scale());
}

}  // namespace vorn2
