// The hand-off of procedures from worker threads to the user-interface thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tess::tasks {

using TProc = std::function<void()>;

// One first-in-first-out list per process: the user-interface thread runs its entries strictly in
// the order they were appended, whenever it processes its messages. The batch run, the folder scan
// and the format inspection rely on that order (a task's finish comes after everything its
// algorithm queued before).
class IUIDispatcher {
public:
  virtual ~IUIDispatcher() = default;
  // Appends the procedure and returns at once. On the user-interface thread it runs at once.
  virtual void Queue(TProc AProc) = 0;
  // Appends the procedure and blocks until the user-interface thread has run it; an exception it
  // raised is raised again in the caller. On the user-interface thread it runs at once.
  virtual void Synchronize(TProc AProc) = 0;
  // Runs the entries pending when it is called, in order. Does nothing when called on any other
  // thread than the user-interface thread.
  virtual void ProcessMessages() = 0;
  virtual bool IsUIThread() const = 0;
};

// The one list behind every dispatcher. The thread that creates it is the user-interface thread
// and drains it, in ProcessMessages or WaitAndProcess; a wake-up hook lets an event loop learn that
// an entry arrived (the desktop program posts itself an event from it).
//
// A queued procedure that raises is reported on the standard error stream and the entries behind
// it still run. When the dispatcher goes (or is closed), a worker blocked in Synchronize, and any
// later Queue or Synchronize, fail with common::Exception "The user interface has closed".
class TQueuedDispatcher : public IUIDispatcher {
public:
  // Runs on the appending thread with the list locked, once per entry: it may only signal.
  using TWakeUp = std::function<void()>;

  explicit TQueuedDispatcher(TWakeUp AWakeUp = nullptr);
  ~TQueuedDispatcher() override;
  TQueuedDispatcher(const TQueuedDispatcher&) = delete;
  TQueuedDispatcher& operator=(const TQueuedDispatcher&) = delete;

  void Queue(TProc AProc) override;
  void Synchronize(TProc AProc) override;
  void ProcessMessages() override;
  bool IsUIThread() const override;

  // Waits up to ATimeout for an entry to arrive, then processes the list. True when anything ran.
  bool WaitAndProcess(std::chrono::milliseconds ATimeout);
  // Makes the calling thread the user-interface thread (a test fixture that owns the dispatcher
  // but was created elsewhere).
  void BindToCurrentThread();
  // Entries appended and not yet run.
  size_t Pending() const;

protected:
  // Refuses further entries and releases the workers still waiting; the pending entries are
  // dropped. A subclass whose wake-up hook uses its own members closes in its destructor.
  void Close();
  // Runs the entries pending now, in order; true when anything ran. What they append meanwhile
  // waits for the next call, so a worker queueing without pause cannot keep this from returning.
  bool Drain();

private:
  struct TSyncState;
  struct TEntry {
    TProc Proc;
    // Set for Synchronize: the waiting worker's completion state.
    std::shared_ptr<TSyncState> Sync;
  };
  void Append(TEntry AEntry);
  bool RunOne();

  TWakeUp FWakeUp;
  std::atomic<std::thread::id> FUIThread;
  mutable std::mutex FLock;
  std::condition_variable FArrived;
  std::deque<TEntry> FEntries;
  bool FClosed = false;
};

// The dispatcher in use: the one installed, else a process-wide TQueuedDispatcher bound to the
// thread that first asks for it (start-up asks on the user-interface thread).
IUIDispatcher& UIDispatcher();
// Installs a dispatcher (not owned; it must outlive every task); null goes back to the default.
void InstallUIDispatcher(IUIDispatcher* ADispatcher);

}  // namespace tess::tasks
