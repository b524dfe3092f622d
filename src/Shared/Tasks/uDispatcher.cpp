#include "Shared/Tasks/uDispatcher.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "Shared/Common/uException.h"

namespace tess::tasks {

struct TQueuedDispatcher::TSyncState {
  std::mutex Lock;
  std::condition_variable Done;
  bool Finished = false;
  std::exception_ptr Error;

  void Finish(std::exception_ptr AError) {
    std::lock_guard<std::mutex> guard(Lock);
    Error = std::move(AError);
    Finished = true;
    Done.notify_all();
  }
};

namespace {

std::exception_ptr ClosedError() {
  return std::make_exception_ptr(common::Exception(u"The user interface has closed"));
}

// Nobody waits for a queued procedure, so its failure is said here rather than lost; raising it
// further would end the event loop or the drain of the entries behind it.
void ReportQueuedFailure(const std::exception_ptr& AError) {
  try {
    std::rethrow_exception(AError);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tessarine: a queued update failed: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "tessarine: a queued update failed\n");
  }
}

}  // namespace

TQueuedDispatcher::TQueuedDispatcher(TWakeUp AWakeUp)
    : FWakeUp(std::move(AWakeUp)), FUIThread(std::this_thread::get_id()) {}

TQueuedDispatcher::~TQueuedDispatcher() { Close(); }

void TQueuedDispatcher::Close() {
  std::deque<TEntry> left;
  {
    std::lock_guard<std::mutex> guard(FLock);
    FClosed = true;
    left.swap(FEntries);
  }
  // A worker still blocked in Synchronize would wait for ever; it is released with an error.
  for (TEntry& entry : left)
    if (entry.Sync) entry.Sync->Finish(ClosedError());
}

void TQueuedDispatcher::BindToCurrentThread() { FUIThread = std::this_thread::get_id(); }

bool TQueuedDispatcher::IsUIThread() const { return FUIThread.load() == std::this_thread::get_id(); }

void TQueuedDispatcher::Append(TEntry AEntry) {
  // Signalled under the lock: once it is released the entry may run and the dispatcher go away.
  std::lock_guard<std::mutex> guard(FLock);
  if (FClosed) std::rethrow_exception(ClosedError());
  FEntries.push_back(std::move(AEntry));
  FArrived.notify_all();
  if (FWakeUp) FWakeUp();
}

void TQueuedDispatcher::Queue(TProc AProc) {
  if (IsUIThread()) {
    AProc();
    return;
  }
  Append({std::move(AProc), nullptr});
}

void TQueuedDispatcher::Synchronize(TProc AProc) {
  // A blocking hand-off to the thread that would have to run it would never return.
  if (IsUIThread()) {
    AProc();
    return;
  }
  auto state = std::make_shared<TSyncState>();
  Append({std::move(AProc), state});
  std::exception_ptr error;
  {
    std::unique_lock<std::mutex> wait(state->Lock);
    state->Done.wait(wait, [&] { return state->Finished; });
    // Taken out, so the user-interface thread keeps no share of the exception it raised.
    error = std::move(state->Error);
  }
  if (error) std::rethrow_exception(error);
}

bool TQueuedDispatcher::RunOne() {
  TEntry entry;
  {
    std::lock_guard<std::mutex> guard(FLock);
    if (FEntries.empty()) return false;
    entry = std::move(FEntries.front());
    FEntries.pop_front();
  }
  std::exception_ptr error;
  try {
    entry.Proc();
  } catch (...) {
    error = std::current_exception();
  }
  // Released before the worker resumes, so what the procedure captured is gone by then.
  entry.Proc = nullptr;
  if (entry.Sync)
    entry.Sync->Finish(std::move(error));
  else if (error)
    ReportQueuedFailure(error);
  return true;
}

bool TQueuedDispatcher::Drain() {
  bool ran = false;
  for (size_t count = Pending(); count > 0 && RunOne(); --count) ran = true;
  return ran;
}

size_t TQueuedDispatcher::Pending() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FEntries.size();
}

void TQueuedDispatcher::ProcessMessages() {
  if (IsUIThread()) Drain();
}

bool TQueuedDispatcher::WaitAndProcess(std::chrono::milliseconds ATimeout) {
  if (!IsUIThread()) return false;
  {
    std::unique_lock<std::mutex> wait(FLock);
    FArrived.wait_for(wait, ATimeout, [&] { return !FEntries.empty(); });
  }
  return Drain();
}

namespace {
std::atomic<IUIDispatcher*> installed{nullptr};
}

IUIDispatcher& UIDispatcher() {
  if (IUIDispatcher* dispatcher = installed.load()) return *dispatcher;
  static TQueuedDispatcher fallback;
  return fallback;
}

void InstallUIDispatcher(IUIDispatcher* ADispatcher) { installed.store(ADispatcher); }

}  // namespace tess::tasks
