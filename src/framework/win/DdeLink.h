// A DDE server link: while open, the process answers DDE conversations on one
// topic under one service name and reports every execute request on it.
//
// Clients may be DDEML programs (DdeConnect + XTYP_EXECUTE) or raw ones that
// broadcast WM_DDE_INITIATE and post WM_DDE_EXECUTE; their command text may
// be ANSI or UTF-16 (read as DdeLinkText.h says) and reaches the host as
// UTF-8. Requests, advises and pokes are refused.
//
// LinkExecute starts with Cancel = true; the host sets it false to accept,
// otherwise the client is told the command was not processed. Whether a
// command is acceptable is the host's rule, not the link's.
//
// Ownership: the link owns its DDEML instance and string handles; Close() or
// the destructor unregisters the service name, frees the strings and ends the
// instance, in that order. The host may close or destroy the link inside
// LinkExecute: the service name goes at once, and the instance is ended from
// a zero-delay thread timer once the system's DDE call has returned (ending
// it inside that call would pull its state from under it). A new link may be
// opened afterwards, also under the same names. Up to kMaxOpenLinks links can
// be open in one process (DDEML calls back without saying for which).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace vorn2 {

struct DdeLinkEvents {
  std::function<void(const std::string& strCommand, bool& Cancel)> LinkExecute;
};

class DdeLink {
 public:
  static constexpr int kMaxOpenLinks = 4;

  DdeLink();
  ~DdeLink();
  DdeLink(const DdeLink&) = delete;
  DdeLink& operator=(const DdeLink&) = delete;

  DdeLinkEvents& Events() { return events_; }

  // Starts answering on topic under service (closing what was open before).
  // False when DDEML refuses or every slot is taken.
  bool Open(const std::wstring& service, const std::wstring& topic);
  void Close();
  bool IsOpen() const { return server_ != nullptr; }

  struct Server;

 private:
  void Execute(const std::string& command, bool& cancel);

  DdeLinkEvents events_;
  Server* server_ = nullptr;  // owned by the process-wide slot table
};

// The running program's file name without folder and extension ("vorn2" for
// ...\vorn2.exe), the usual DDE service name of a program.
std::wstring ExecutableBaseName();

}  // namespace vorn2
