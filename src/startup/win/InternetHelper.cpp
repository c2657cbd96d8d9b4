#include "startup/win/InternetHelper.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>

#include "framework/win/Handles.h"
#include "framework/win/MessageLoop.h"

namespace vorn2 {

namespace {
// How long the end of a download waits for the closing of what it left
// unread: enough for any ordinary close, short next to a hostile body.
constexpr std::chrono::milliseconds kCloseGrace{200};
}  // namespace

struct InternetHelper::Shared {
  struct Job {
    Call call;
    bool waited;
  };
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<Job> jobs;
  bool quit = false;
  bool ended = false;
  Result result;  // of the last waited call
  std::vector<unsigned char> buffer;
  UniqueKernelHandle done{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

InternetHelper::InternetHelper() : shared_(std::make_shared<Shared>()) {
  if (!shared_->done) return;
  try {
    thread_ = std::thread([shared = shared_] { Serve(shared); });
  } catch (const std::system_error&) {
    // No helper: calls run on the caller's thread.
  }
}

InternetHelper::~InternetHelper() {
  std::unique_lock lock(shared_->mutex);
  shared_->quit = true;
  shared_->wake.notify_all();
  if (!thread_.joinable()) return;
  const bool ended = !letGo_ && shared_->wake.wait_for(lock, kCloseGrace, [&] { return shared_->ended; });
  lock.unlock();
  if (ended) thread_.join();
  else thread_.detach();
}

void InternetHelper::Serve(const std::shared_ptr<Shared>& shared) {
  Shared& s = *shared;
  std::unique_lock lock(s.mutex);
  for (;;) {
    s.wake.wait(lock, [&] { return s.quit || !s.jobs.empty(); });
    if (s.jobs.empty()) break;
    Shared::Job job = std::move(s.jobs.front());
    s.jobs.pop_front();
    lock.unlock();
    const Result result = job.call(s.buffer);
    lock.lock();
    if (job.waited) {
      s.result = result;
      SetEvent(s.done.get());
    }
  }
  s.ended = true;
  s.wake.notify_all();
}

InternetHelper::Wait InternetHelper::LetGo(Wait why) {
  letGo_ = true;
  const std::lock_guard lock(shared_->mutex);
  shared_->quit = true;
  // A waited call not started yet is never made; closes still run.
  std::erase_if(shared_->jobs, [](const Shared::Job& job) { return job.waited; });
  shared_->wake.notify_all();
  return why;
}

bool InternetHelper::Post(std::function<void()> call) {
  if (letGo_ || !thread_.joinable()) return false;
  const std::lock_guard lock(shared_->mutex);
  shared_->jobs.push_back({[call = std::move(call)](std::vector<unsigned char>&) {
                             call();
                             return Result{};
                           },
                           false});
  shared_->wake.notify_all();
  return true;
}

InternetHelper::Wait InternetHelper::Run(Call call, ULONGLONG limitTick, const bool& abandoned, Result& result) {
  if (letGo_ || abandoned) return LetGo(Wait::Abandoned);
  if (!thread_.joinable()) {
    result = call(shared_->buffer);
    return Wait::Done;
  }
  {
    const std::lock_guard lock(shared_->mutex);
    shared_->jobs.push_back({std::move(call), true});
    shared_->wake.notify_all();
  }
  HANDLE done = shared_->done.get();
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (limitTick != 0 && now >= limitTick) return LetGo(Wait::TimedOut);
    const DWORD wait = limitTick == 0 ? INFINITE : static_cast<DWORD>(std::min<ULONGLONG>(limitTick - now, 0x7fffffff));
    // A quit message stays queued for the loop that ends with it; waiting
    // for input then would wake at once, again and again.
    MSG quit;
    const bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
    const DWORD woken = quitting ? WaitForSingleObject(done, std::min<DWORD>(wait, 50))
                                 : MsgWaitForMultipleObjectsEx(1, &done, wait, QS_ALLINPUT, 0);
    if (woken == WAIT_OBJECT_0) {
      const std::lock_guard lock(shared_->mutex);
      result = shared_->result;
      return Wait::Done;
    }
    if (woken == WAIT_OBJECT_0 + 1) PumpPendingMessages();
    else if (woken == WAIT_FAILED) return LetGo(Wait::Abandoned);
    // A handler run by the messages gave the download up.
    if (abandoned) return LetGo(Wait::Abandoned);
  }
}

const std::vector<unsigned char>& InternetHelper::Buffer() const { return shared_->buffer; }

}  // namespace vorn2
