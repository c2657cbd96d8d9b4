// The Windows side of the failure trace (framework/FailureTrace.h): lines go
// to OutputDebugStringW in every program that links this file, and Win32 and
// COM results are checked in one expression that still yields the result:
//
//   VORN2_TRACE_IF_FALSE(SetWindowPos(...));   // FALSE: GetLastError traced
//   VORN2_TRACE_HR(webBrowser->put_Silent(...)); // FAILED: the HRESULT traced
//
// Use them where the program goes on without the result. Where a failed
// call ends the function with its own failure, the same check traces it
// and returns the rest of the arguments:
//
//   VORN2_RETURN_IF_FALSE(CreateWindowExW(...), false);
//   VORN2_RETURN_IF_FAILED(CoCreateInstance(...), false);
#pragma once

#include <windows.h>

#include "framework/FailureTrace.h"

namespace vorn2::trace_detail {
bool CheckBool(bool ok, const char* file, int line, const char* what) noexcept;
HRESULT CheckHr(HRESULT hr, const char* file, int line, const char* what) noexcept;
}  // namespace vorn2::trace_detail

#define VORN2_TRACE_IF_FALSE(call) ::vorn2::trace_detail::CheckBool((call) != 0, __FILE__, __LINE__, #call)
#define VORN2_TRACE_HR(call) ::vorn2::trace_detail::CheckHr((call), __FILE__, __LINE__, #call)
// A failure already known, with the thread's last error as its code.
#define VORN2_TRACE_LAST_ERROR(what) ::vorn2::ReportFailure(__FILE__, __LINE__, what, GetLastError())
#define VORN2_RETURN_IF_FALSE(call, ...)                 \
  do {                                                   \
    if (!VORN2_TRACE_IF_FALSE(call)) return __VA_ARGS__; \
  } while (0)
#define VORN2_RETURN_IF_FAILED(call, ...)                 \
  do {                                                    \
    if (FAILED(VORN2_TRACE_HR(call))) return __VA_ARGS__; \
  } while (0)
