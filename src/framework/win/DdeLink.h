// A DDE server link: while open, a hidden top-level window of the process
// answers DDE conversations on one topic under one service name and reports
// every execute request on it.
//
// The window speaks the DDE message protocol itself, so DDEML clients
// (DdeConnect + XTYP_EXECUTE) and raw ones (WM_DDE_INITIATE broadcast, posted
// WM_DDE_EXECUTE) are served alike, and the command's bytes arrive as the
// client sent them: ANSI or UTF-16, read as DdeLinkText.h says, reported as
// UTF-8. (A DDEML server instance would let the system convert the text
// first, which loses UTF-16 commands on some systems.) Requests, advises and
// pokes are answered negatively.
//
// LinkExecute starts with Cancel = true; the host sets it false to accept,
// otherwise the client's acknowledgement says the command was not processed.
// Whether a command is acceptable is the host's rule, not the link's.
//
// Ownership: the link owns its window. Close() or the destructor destroys
// it, which ends every conversation (WM_DDE_TERMINATE). The host may close
// or destroy the link inside LinkExecute: the client still gets its answer,
// then the end of the conversation. A link can be opened again afterwards,
// also under the same names.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/Notify.h"
#include "framework/win/Window.h"

namespace vorn2 {

struct DdeLinkEvents {
  std::function<void(const std::string& strCommand, bool& Cancel)> LinkExecute;
};

class DdeLink final : private Window {
 public:
  DdeLink();
  ~DdeLink() override;

  DdeLinkEvents& Events() { return events_; }

  // Starts answering on topic under service (closing what was open before);
  // false when the window cannot be created.
  bool Open(const std::wstring& service, const std::wstring& topic);
  void Close();
  bool IsOpen() const { return Exists(); }
  // An execute whose text is longer is refused without being read in full.
  void SetMaxCommandBytes(std::size_t maxBytes) { maxCommandBytes_ = maxBytes; }
  // How long an initiating client is waited for while it takes the answer.
  void SetInitiateAnswerWait(DWORD ms) { initiateAnswerWaitMs_ = ms; }
  // The window that answers; nullptr while closed.
  using Window::hWnd;

 private:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Initiate(HWND client, ATOM service, ATOM topic);
  void Execute(HWND client, HGLOBAL commands);
  bool IsPartner(HWND client) const;
  void Forget(HWND client);
  // WM_DDE_TERMINATE to every client, as the window goes.
  void EndConversations();

  DdeLinkEvents events_;
  std::wstring service_;
  std::wstring topic_;
  std::vector<HWND> partners_;   // clients in conversation with the window
  std::vector<HWND> executing_;  // clients whose execute is being reported
  std::size_t maxCommandBytes_ = SIZE_MAX;
  DWORD initiateAnswerWaitMs_ = 5000;
  LifeToken life_;
};

// The running program's file name without folder and extension ("vorn2" for
// ...\vorn2.exe), the usual DDE service name of a program.
std::wstring ExecutableBaseName();

}  // namespace vorn2
