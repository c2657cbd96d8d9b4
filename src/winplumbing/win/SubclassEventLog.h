// Where the message subclasser writes its failures: error entries in the
// application event log, never thrown. UI thread only.
#pragma once

#include <functional>
#include <string>

namespace vorn2 {

// Event-log source of the subclassers' error entries.
inline constexpr wchar_t kSubclassEventSource[] = L"Vornhold 2";

// Writes one error entry to the application event log; true when
// ReportEventW succeeded. Every write is also shown to the observer.
bool WriteErrorEvent(const std::string& textUtf8);

// Sees every error entry (text, whether the event log accepted it); returns
// the previous observer. Tests use it: Wine stores no event-log entries.
using ErrorEventObserver = std::function<void(const std::string& text, bool written)>;
ErrorEventObserver SetErrorEventObserver(ErrorEventObserver observer);

}  // namespace vorn2
