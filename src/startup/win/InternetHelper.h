// The blocking WinINet calls of one download (the send, the reads, and the
// closing of a request whose body was left unread) run on a helper thread
// while the calling thread waits for them, or does not wait at all. The
// caller keeps answering its windows meanwhile, and its wait ends at a
// deadline or when the download is given up, however long the call blocks:
// closing a request ends its blocked call on Windows, but Wine lets the call
// run on until its next byte or its time-out, and Wine's close of a request
// reads the rest of its body first. A helper given up on owns everything its
// calls touch (its buffer, its done event) and ends once they have returned;
// it never starts another call that was waited for.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace vorn2 {

class InternetHelper {
 public:
  // What a call hands back, written on the helper.
  struct Result {
    bool ok = false;
    DWORD count = 0;           // bytes read into the buffer
    DWORD error = 0;           // GetLastError() of a call that failed
    std::uint64_t micros = 0;  // how long the call itself took
  };
  // Runs on the helper; reads go into the buffer it is given.
  using Call = std::function<Result(std::vector<unsigned char>& buffer)>;
  enum class Wait { Done, TimedOut, Abandoned };

  InternetHelper();
  // Waits a moment for calls handed over with Post; a helper still busy
  // after it, or given up on, is left to end on its own.
  ~InternetHelper();
  InternetHelper(const InternetHelper&) = delete;
  InternetHelper& operator=(const InternetHelper&) = delete;

  // Runs `call` on the helper, after any posted before it, and waits,
  // processing this thread's messages, until it returns, the tick count
  // `limitTick` is reached (0: no limit) or `abandoned` is true after a
  // message. Anything but Done lets the helper go: every later Run is
  // Abandoned at once. Without a helper thread the call runs here, with no
  // way out.
  Wait Run(Call call, ULONGLONG limitTick, const bool& abandoned, Result& result);
  // Hands `call` to the helper without waiting for it; false when there is
  // no helper to take it (then the caller makes the call itself).
  bool Post(std::function<void()> call);
  // What the last call that was Done read.
  const std::vector<unsigned char>& Buffer() const;

 private:
  struct Shared;
  static void Serve(const std::shared_ptr<Shared>& shared);
  Wait LetGo(Wait why);

  std::shared_ptr<Shared> shared_;
  std::thread thread_;
  bool letGo_ = false;
};

}  // namespace vorn2
