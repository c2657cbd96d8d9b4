#include "winplumbing/win/SubclassEventLog.h"

#include <windows.h>

#include <utility>

#include "framework/win/WinText.h"

namespace vorn2 {
namespace {

ErrorEventObserver& Observer() {
  static ErrorEventObserver observer;
  return observer;
}

}  // namespace

bool WriteErrorEvent(const std::string& textUtf8) {
  bool written = false;
  if (HANDLE source = RegisterEventSourceW(nullptr, kSubclassEventSource)) {
    const std::wstring text = W(textUtf8);
    LPCWSTR strings[] = {text.c_str()};
    written = ReportEventW(source, EVENTLOG_ERROR_TYPE, 0, 1, nullptr, 1, 0, strings, nullptr) != FALSE;
    DeregisterEventSource(source);
  }
  if (Observer()) Observer()(textUtf8, written);
  return written;
}

ErrorEventObserver SetErrorEventObserver(ErrorEventObserver observer) {
  ErrorEventObserver previous = std::move(Observer());
  Observer() = std::move(observer);
  return previous;
}

}  // namespace vorn2
