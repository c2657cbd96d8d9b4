// vorn2.exe: creates the start-up window; everything else follows from it.
#include <windows.h>

#include "app/PageViews.h"
#include "framework/win/Form.h"
#include "framework/win/OleSession.h"
#include "framework/win/SystemLibrary.h"
#include "framework/win/WinText.h"
#include "login/win/LoginFrm.h"
#include "mainwindow/win/WebMainFrm.h"
#include "startup/StartupRules.h"
#include "startup/win/LoadFrm.h"
#include "vorn2/BuildConfig.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  vorn2::RestrictLibrarySearchToSystem();  // before anything loads a library by name
  using namespace vorn2;
  StartupSettings settings{build::kUpdateServer, build::kHomePage, ArgumentsFromCommandLine(U8(GetCommandLineW()))};
  // Before every form: OLE stops only once the last form object is gone.
  OleSession ole;
  LoadFrm loadFrm(settings);
  // The network check, the version file and the splash picture come in on a
  // worker while this thread starts OLE and meets the display.
  loadFrm.BeginCreate();
  ole.Start();  // the web browser control needs an STA with OLE
  Form::CreateHiddenOwner();
  if (!loadFrm.Create()) return 0;
  // The game window exists as an object from the start and loads on the
  // first login; the login window hands the game page over to it.
  WebMainFrm mainFrm(MainSettings{build::kUpdateServer, build::kPortal}, &CreatePageView);
  LoginFrm loginFrm(LoginSettings{build::kPortal, build::kLoginTimeoutSeconds * 1000}, &CreatePageView);
  loginFrm.gameWindow = &mainFrm;
  mainFrm.showLogin = [&loginFrm] { loginFrm.ShowAgain(); };
  // The splash loads the login hidden; the login's first page unloads the splash.
  loadFrm.loadLogin = [&loginFrm] { loginFrm.Load(); };
  loginFrm.unloadSplash = [&loadFrm] { loadFrm.Unload(); };
  loadFrm.Start();
  return Form::RunMessageLoop();
}
