#include "framework/FailureTrace.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

namespace vorn2 {
namespace {

std::atomic<FailureSink> g_sink{nullptr};
std::atomic<long> g_failures{0};

// The path from the project's top folder on, so a trace reads the same on
// every build machine.
const char* ProjectPath(const char* file) {
  const char* best = file;
  for (const char* top : {"/src/", "\\src\\", "/updater/", "\\updater\\"}) {
    if (const char* at = std::strstr(file, top)) best = at + 1;
  }
  return best;
}

}  // namespace

FailureSink SetFailureSink(FailureSink sink) noexcept { return g_sink.exchange(sink); }

long FailureCount() noexcept { return g_failures.load(std::memory_order_relaxed); }

std::string FormatFailure(const char* file, int line, const char* what, unsigned long code) {
  char number[32];
  std::snprintf(number, sizeof number, "0x%08lX", code);
  return std::string("vorn2: ") + ProjectPath(file) + "(" + std::to_string(line) + "): " + what + ", code " +
         number + "\n";
}

void ReportFailure(const char* file, int line, const char* what, unsigned long code) noexcept {
  g_failures.fetch_add(1, std::memory_order_relaxed);
  FailureSink sink = g_sink.load();
  if (!sink) return;
  try {
    sink(FormatFailure(file, line, what, code).c_str());
  } catch (const std::bad_alloc&) {
    // No memory for the line: the count above still says it happened.
  }
}

void ReportCaughtException(const char* file, int line) noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    std::string what;
    try {
      what = std::string("exception swallowed: ") + e.what();
    } catch (const std::bad_alloc&) {
    }
    ReportFailure(file, line, what.empty() ? "exception swallowed" : what.c_str(), 0);
  } catch (...) {
    ReportFailure(file, line, "exception swallowed", 0);
  }
}

}  // namespace vorn2
