#include "framework/win/OleSession.h"

#include <ole2.h>

#include "framework/win/FailureTrace.h"

namespace vorn2 {

void OleSession::Start() {
  if (started_) return;
  // S_FALSE (already initialised) must be balanced as well.
  started_ = SUCCEEDED(VORN2_TRACE_HR(OleInitialize(nullptr)));
}

OleSession::~OleSession() {
  if (started_) OleUninitialize();
}

}  // namespace vorn2
