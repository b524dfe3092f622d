// The user-interface dispatcher of the desktop program: worker threads hand procedures to Qt's main thread.
#include "App/Gui/uQtDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <condition_variable>
#include <cstdio>
#include <exception>

#include "Shared/Common/uException.h"

namespace tess::gui {

struct TQtDispatcher::TSyncState {
  std::mutex Lock;
  std::condition_variable Done;
  bool Finished = false;
  std::exception_ptr Error;
};

TQtDispatcher::TQtDispatcher() : FUIThread(std::this_thread::get_id()) {}

TQtDispatcher::~TQtDispatcher() {
  std::deque<TEntry> left;
  {
    std::lock_guard<std::mutex> guard(FLock);
    FShutDown = true;
    left.swap(FEntries);
  }
  for (TEntry& entry : left) {
    if (!entry.Sync) continue;
    std::lock_guard<std::mutex> guard(entry.Sync->Lock);
    entry.Sync->Error = std::make_exception_ptr(common::Exception(u"The user interface has closed"));
    entry.Sync->Finished = true;
    entry.Sync->Done.notify_all();
  }
}

bool TQtDispatcher::IsUIThread() const { return std::this_thread::get_id() == FUIThread; }

void TQtDispatcher::Append(TEntry AEntry) {
  {
    std::lock_guard<std::mutex> guard(FLock);
    if (FShutDown) throw common::Exception(u"The user interface has closed");
    FEntries.push_back(std::move(AEntry));
    // One posted call per entry; a call that finds the list already drained does nothing. Posted
    // under the lock so that the dispatcher cannot be destroyed between the two.
    QMetaObject::invokeMethod(this, [this] { Drain(); }, Qt::QueuedConnection);
  }
}

void TQtDispatcher::Queue(tasks::TProc AProc) {
  if (IsUIThread()) {
    AProc();
    return;
  }
  Append({std::move(AProc), nullptr});
}

void TQtDispatcher::Synchronize(tasks::TProc AProc) {
  // A blocking hand-off to the thread that would have to run it dead-locks: run it here.
  if (IsUIThread()) {
    AProc();
    return;
  }
  auto state = std::make_shared<TSyncState>();
  Append({std::move(AProc), state});
  std::unique_lock<std::mutex> lock(state->Lock);
  state->Done.wait(lock, [&] { return state->Finished; });
  if (state->Error) std::rethrow_exception(state->Error);
}

void TQtDispatcher::Drain() {
  // Only the entries pending now: a procedure that queues again must not keep this loop busy.
  size_t count;
  {
    std::lock_guard<std::mutex> guard(FLock);
    count = FEntries.size();
  }
  for (size_t i = 0; i < count; ++i) {
    TEntry entry;
    {
      std::lock_guard<std::mutex> guard(FLock);
      if (FEntries.empty()) return;
      entry = std::move(FEntries.front());
      FEntries.pop_front();
    }
    std::exception_ptr error;
    try {
      entry.Proc();
    } catch (...) {
      error = std::current_exception();
    }
    if (entry.Sync) {
      std::lock_guard<std::mutex> guard(entry.Sync->Lock);
      entry.Sync->Error = error;
      entry.Sync->Finished = true;
      entry.Sync->Done.notify_all();
    } else if (error) {
      // Nobody waits for a queued procedure; an escaping exception would end the event loop.
      try {
        std::rethrow_exception(error);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "tessarine: a queued update failed: %s\n", e.what());
      } catch (...) {
        std::fprintf(stderr, "tessarine: a queued update failed\n");
      }
    }
  }
}

void TQtDispatcher::ProcessMessages() {
  if (!IsUIThread()) return;
  Drain();
  QCoreApplication::processEvents();
}

size_t TQtDispatcher::Pending() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FEntries.size();
}

}  // namespace tess::gui
