#include "startup/win/LoadFrm.h"

#include <system_error>

#include "framework/win/Prompt.h"
#include "framework/win/WinText.h"
#include "resource_ids.h"
#include "startup/StartupRules.h"
#include "startup/win/StartupEnvironment.h"

namespace vorn2 {
namespace {
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
}  // namespace

LoadFrm::LoadFrm(StartupSettings settings) : Form(SplashDesign()), settings_(std::move(settings)) {}

LoadFrm::~LoadFrm() { WaitForAhead(); }

void LoadFrm::BeginCreate() {
  if (ahead_.joinable() || connectedAhead_) return;
  if (!updateChecker_) updateChecker_ = std::make_unique<StartupUpdateChecker>(settings_.updateServer);
  try {
    ahead_ = std::thread([this] {
      connectedAhead_ = Startup().isConnected();
      if (!*connectedAhead_) return;  // the message comes at once, from Create()
      updateChecker_->Fetch();
      splashAhead_ = DecodePngResource(IDR_PNG_SPLASH);
    });
  } catch (const std::system_error&) {
    // No thread: Create() does all of it itself.
  }
}

void LoadFrm::WaitForAhead() {
  if (ahead_.joinable()) ahead_.join();
}

void LoadFrm::End() {
  ended_ = true;
  Startup().endAtOnce();
}

bool LoadFrm::Create() {
  WaitForAhead();
  const bool connected = connectedAhead_ ? *connectedAhead_ : Startup().isConnected();
  if (!connected) {
    Prompt(nullptr, kNetworkMessage, kPromptTitle, MB_ICONEXCLAMATION);
    End();
    return false;
  }
  if (!updateChecker_) updateChecker_ = std::make_unique<StartupUpdateChecker>(settings_.updateServer);
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
}

void LoadFrm::OnLoad() {
  if (IsWebSwitch(settings_.arguments)) {
    Startup().shellOpen(W(settings_.homePage), L"");
    End();
    return;
  }
  SetWindowLongPtrW(hWnd(), GWL_EXSTYLE, GetWindowLongPtrW(hWnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
  if (splashAhead_.image) PaintLayeredPng(hWnd(), std::move(splashAhead_), splash_, Scale());
  else PaintLayeredPng(hWnd(), IDR_PNG_SPLASH, splash_, Scale());
  if (loadLogin) loadLogin();
}

void LoadFrm::OnUnload(bool&) { TeardownLayered(splash_); }

void LoadFrm::OnDpiChanged() {
  Form::OnDpiChanged();
  if (splash_.bitmap) PaintLayeredPng(hWnd(), IDR_PNG_SPLASH, splash_, Scale());
}

}  // namespace vorn2
