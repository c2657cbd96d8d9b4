// The one message path of every loop (the program's, the modal one, the
// download pump): a keyboard message is first offered to the window it is
// for and then to each parent up to its top-level window; one that claims it
// consumes it (the web control's TranslateAccelerator above all). Otherwise
// it is translated and dispatched as usual. UI thread only.
#pragma once

#include <windows.h>

#include <functional>

namespace vorn2 {

using KeyFilter = std::function<bool(MSG& msg)>;
// Registers (or, with an empty filter, removes) the window's claim on
// keyboard messages. The window must remove it before it is destroyed.
void SetKeyFilter(HWND window, KeyFilter filter);
// True when a filter claimed the message.
bool PreTranslate(MSG& msg);
void DispatchOne(MSG& msg);

// Processes every pending message of this thread, like the form engine's
// DoEvents; a WM_QUIT seen here is posted again for the outer loop.
void PumpPendingMessages();

// Runs messages for the given time (tests and waits).
void PumpMessagesFor(DWORD milliseconds);

// Waits until `handle` is signalled while answering what other threads and
// programs send to this thread's windows (a broadcast, a DDE initiate), so
// none of them waits on us. Posted messages stay queued for the loop: nothing
// of this program runs out of its order. False when the wait itself failed.
bool WaitServingSentMessages(HANDLE handle);

}  // namespace vorn2
