// The user-interface dispatcher of the desktop program: worker threads hand procedures to Qt's main thread.
#pragma once

#include <QObject>

#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "Shared/Tasks/uDispatcher.h"

namespace tess::gui {

// One list for Queue and Synchronize, so that a task's finish (a Synchronize) never overtakes
// the updates its algorithm queued before. The list is drained by the thread that created the
// dispatcher, from a posted event, so it also runs inside modal dialogs and the wait of a stop.
class TQtDispatcher : public QObject, public tasks::IUIDispatcher {
public:
  // Must be made on the thread that runs the Qt event loop.
  TQtDispatcher();
  // Entries still pending are dropped; a worker blocked in Synchronize is released with an
  // error rather than left waiting for ever.
  ~TQtDispatcher() override;

  void Queue(tasks::TProc AProc) override;
  // Raises again, in the caller, what the procedure raised.
  void Synchronize(tasks::TProc AProc) override;
  // Runs what is pending now (entries and other posted events), in order.
  void ProcessMessages() override;
  bool IsUIThread() const override;

  // Entries appended and not yet run (for tests).
  size_t Pending() const;

private:
  struct TSyncState;
  struct TEntry {
    tasks::TProc Proc;
    std::shared_ptr<TSyncState> Sync;
  };
  void Append(TEntry AEntry);
  void Drain();

  std::thread::id FUIThread;
  mutable std::mutex FLock;
  std::deque<TEntry> FEntries;
  bool FShutDown = false;
};

}  // namespace tess::gui
