// The start-up window: network check, start-up update check, the "/web"
// switch, and the splash shown while the login page loads hidden.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "framework/win/AccessibleObject.h"
#include "framework/win/Form.h"
#include "framework/win/Handles.h"
#include "framework/win/PublicData.h"
#include "startup/win/SwapConfirmation.h"
#include "startup/win/UpdateCheck.h"

namespace vorn2 {

struct StartupSettings {
  std::string updateServer;  // base URL of the update server
  std::string homePage;      // opened by "/web"
  std::string arguments;     // the program's argument string
};

class LoadFrm : public Form {
 public:
  explicit LoadFrm(StartupSettings settings);
  ~LoadFrm() override;

  // Starts what the creation step waits for (the network check, the version
  // file's download) and the splash picture's decoding on a worker thread,
  // so that they overlap the rest of the process's start. Nothing is shown
  // or decided there: Create() waits for it, answering what is sent to this
  // thread's windows meanwhile, and goes on as it would have. A failure that
  // ends the worker early counts as a failed download.
  void BeginCreate();

  // The version file's download time-outs, before BeginCreate() or Create();
  // the client keeps the defaults, tests shorten them.
  void SetTimeouts(const DownloadTimeouts& timeouts) { timeouts_ = timeouts; }

  // The creation step, before the window exists: false when the start-up
  // ended here (offline, or the updater was started). With the real
  // environment an ended start-up never returns: the process is gone.
  bool Create();

  // Loads the login window hidden (it loads its background and starts the
  // login page); set by whoever wires the windows together.
  std::function<void()> loadLogin;

  // Load, then show centred: the whole start-up after Create().
  void Start();

  const LayeredPicture& Splash() const { return splash_; }
  bool Ended() const { return ended_; }

 protected:
  void OnLoad() override;
  void OnUnload(bool& cancel) override;
  void OnDpiChanged() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnWindowDestroyed() override;

 private:
  void End();
  void WaitForAhead();
  void MakeUpdateChecker();
  StartupSettings settings_;
  // Its first window, the splash or a message box before it, confirms a
  // client the updater has just put in place.
  SwapConfirmation swap_;
  DownloadTimeouts timeouts_ = kVersionFileTimeouts;
  LayeredPicture splash_;
  std::unique_ptr<StartupUpdateChecker> updateChecker_;
  bool ended_ = false;
  // Written by the worker, read only after it has been joined.
  std::optional<bool> connectedAhead_;
  DecodedPng splashAhead_;
  std::exception_ptr aheadFailure_;
  UniqueKernelHandle aheadDone_;
  std::thread ahead_;
  AccessibleRoot accessible_;
};

}  // namespace vorn2
