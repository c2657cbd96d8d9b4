#include "framework/win/FailureTrace.h"

#include <new>

#include "framework/win/WinText.h"

namespace vorn2 {
namespace {

void ToDebugger(const char* line) noexcept {
  try {
    OutputDebugStringW(W(line).c_str());
  } catch (const std::bad_alloc&) {
    OutputDebugStringA(line);
  }
}

// Installed before main by every program that checks a result here.
[[maybe_unused]] const FailureSink g_previous = SetFailureSink(&ToDebugger);

}  // namespace

bool trace_detail::CheckBool(bool ok, const char* file, int line, const char* what) noexcept {
  // The last error first, before anything here can change it.
  if (!ok) ReportFailure(file, line, what, GetLastError());
  return ok;
}

HRESULT trace_detail::CheckHr(HRESULT hr, const char* file, int line, const char* what) noexcept {
  if (FAILED(hr)) ReportFailure(file, line, what, static_cast<unsigned long>(hr));
  return hr;
}

}  // namespace vorn2
