#include "startup/win/LoadFrm.h"

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

LoadFrm::~LoadFrm() = default;

void LoadFrm::End() {
  ended_ = true;
  Startup().endAtOnce();
}

bool LoadFrm::Create() {
  if (!Startup().isConnected()) {
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
  PaintLayeredPng(hWnd(), IDR_PNG_SPLASH, splash_, Scale());
  if (loadLogin) loadLogin();
}

void LoadFrm::OnUnload(bool&) { TeardownLayered(splash_); }

void LoadFrm::OnDpiChanged() {
  Form::OnDpiChanged();
  if (splash_.bitmap) PaintLayeredPng(hWnd(), IDR_PNG_SPLASH, splash_, Scale());
}

}  // namespace vorn2
