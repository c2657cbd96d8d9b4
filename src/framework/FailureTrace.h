// A failure the program goes on from still leaves a trace: one line with the
// source file, the line, what failed and its code, handed to the platform's
// debugger output (the Windows layer installs OutputDebugStringW; a debugger
// or a debug-output viewer shows it), and counted, so a test can assert that
// a run met no failure it did not expect. Nothing is written to files and
// nothing is configured. Reporting never throws and changes no behaviour:
// where the program ignores a result, it still ignores it after the trace.
//
// Each failure is reported once, where it happens; the code that goes on
// from it does not report it again. A failure the code acts on by returning
// (a failed system call that ends the function with its own failure) is
// traced the same way before it returns, so no failure leaves nothing
// behind: VORN2_RETURN_TRACED here, VORN2_RETURN_IF_FALSE and
// VORN2_RETURN_IF_FAILED for Win32 and COM calls (win/FailureTrace.h).
#pragma once

#include <string>

namespace vorn2 {

// Receives each trace line (UTF-8, ending in a newline).
using FailureSink = void (*)(const char* line) noexcept;
// Installs the sink; returns the one it replaces. None at first (counted only).
FailureSink SetFailureSink(FailureSink sink) noexcept;

// Failures reported in this process so far.
long FailureCount() noexcept;

// "vorn2: <file>(<line>): <what>, code 0x<code>": file without its folders
// above the project's source folders.
std::string FormatFailure(const char* file, int line, const char* what, unsigned long code);

void ReportFailure(const char* file, int line, const char* what, unsigned long code) noexcept;
// From inside a catch block: the exception in hand, with its what() when it
// is a std::exception.
void ReportCaughtException(const char* file, int line) noexcept;

}  // namespace vorn2

#define VORN2_TRACE_FAILURE(what, code) \
  ::vorn2::ReportFailure(__FILE__, __LINE__, what, static_cast<unsigned long>(code))
// The one line of a catch (...) that goes on: which exception was swallowed.
#define VORN2_TRACE_CAUGHT() ::vorn2::ReportCaughtException(__FILE__, __LINE__)
// Traces the failure, then returns the rest of the arguments (nothing from
// a function that returns nothing).
#define VORN2_RETURN_TRACED(what, code, ...) \
  do {                                       \
    VORN2_TRACE_FAILURE(what, code);         \
    return __VA_ARGS__;                      \
  } while (0)
