// Every test of a Windows test program is checked for what it left behind
// (TestListener.cpp, linked into each program): handles of each kind held by
// the owning types, accessible objects not released, windows still alive
// when their object went, and failure traces. A test that provokes one of these on purpose says how many first.
#pragma once

#include "framework/win/Handles.h"

namespace vorn2::test {

// The running test is expected to leave this many failure traces.
void ExpectFailureTraces(long count);
// ... and this many windows found alive by ~Window.
void ExpectWindowsAliveAtTeardown(long count);
// ... and up to this many handles of a kind still held by work it left
// running on purpose (a helper thread given up on); released later.
void ExpectHandlesOutliveTest(HandleKind kind, long count);

}  // namespace vorn2::test
