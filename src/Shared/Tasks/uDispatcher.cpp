#include "Shared/Tasks/uDispatcher.h"

#include <atomic>
#include <stdexcept>
#include <utility>

namespace tess::tasks {

struct SyncState {
  std::mutex Lock;
  std::condition_variable Done;
  bool Finished = false;
  std::exception_ptr Error;
};

TPlainDispatcher::TPlainDispatcher() : FUIThread(std::this_thread::get_id()) {}

TPlainDispatcher::~TPlainDispatcher() {
  // A worker still blocked in Synchronize would wait forever; release it with an error instead.
  std::deque<Entry> left;
  {
    std::lock_guard<std::mutex> guard(FLock);
    left.swap(FEntries);
  }
  for (Entry& entry : left) {
    if (!entry.Sync) continue;
    std::lock_guard<std::mutex> guard(entry.Sync->Lock);
    entry.Sync->Error = std::make_exception_ptr(std::runtime_error("The user-interface dispatcher was destroyed."));
    entry.Sync->Finished = true;
    entry.Sync->Done.notify_all();
  }
}

void TPlainDispatcher::BindToCurrentThread() {
  std::lock_guard<std::mutex> guard(FLock);
  FUIThread = std::this_thread::get_id();
}

bool TPlainDispatcher::IsUIThread() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FUIThread == std::this_thread::get_id();
}

void TPlainDispatcher::Queue(TProc AProc) {
  if (IsUIThread()) {
    AProc();
    return;
  }
  // Notified under the lock: once it is released the entry may run and the dispatcher go away.
  std::lock_guard<std::mutex> guard(FLock);
  FEntries.push_back({std::move(AProc), nullptr});
  FArrived.notify_all();
}

void TPlainDispatcher::Synchronize(TProc AProc) {
  if (IsUIThread()) {
    AProc();
    return;
  }
  auto state = std::make_shared<SyncState>();
  {
    std::lock_guard<std::mutex> guard(FLock);
    FEntries.push_back({std::move(AProc), state});
    FArrived.notify_all();
  }
  std::exception_ptr error;
  {
    std::unique_lock<std::mutex> wait(state->Lock);
    state->Done.wait(wait, [&] { return state->Finished; });
    // Taken out, so the user-interface thread keeps no share of the exception it raised.
    error = std::move(state->Error);
  }
  if (error) std::rethrow_exception(error);
}

bool TPlainDispatcher::RunOne() {
  Entry entry;
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
  // The procedure is released before the worker resumes, so what it captured is gone by then.
  entry.Proc = nullptr;
  if (entry.Sync) {
    std::lock_guard<std::mutex> guard(entry.Sync->Lock);
    entry.Sync->Error = std::move(error);
    entry.Sync->Finished = true;
    entry.Sync->Done.notify_all();
  }
  // Nobody waits for a queued procedure: its failure is dropped so the entries behind it still run.
  return true;
}

size_t TPlainDispatcher::Pending() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FEntries.size();
}

void TPlainDispatcher::ProcessMessages() {
  if (!IsUIThread()) return;
  // Only what is there now: a worker queueing without pause must not keep this call from returning.
  for (size_t count = Pending(); count > 0 && RunOne(); --count) {
  }
}

bool TPlainDispatcher::WaitAndProcess(std::chrono::milliseconds ATimeout) {
  if (!IsUIThread()) return false;
  {
    std::unique_lock<std::mutex> wait(FLock);
    FArrived.wait_for(wait, ATimeout, [&] { return !FEntries.empty(); });
  }
  bool ran = false;
  for (size_t count = Pending(); count > 0 && RunOne(); --count) ran = true;
  return ran;
}

namespace {
std::atomic<IUIDispatcher*> installed{nullptr};
}

IUIDispatcher& UIDispatcher() {
  if (IUIDispatcher* dispatcher = installed.load()) return *dispatcher;
  static TPlainDispatcher fallback;
  return fallback;
}

void InstallUIDispatcher(IUIDispatcher* ADispatcher) { installed.store(ADispatcher); }

}  // namespace tess::tasks
