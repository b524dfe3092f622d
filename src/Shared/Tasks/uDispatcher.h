// The hand-off of procedures from worker threads to the user-interface thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
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

// The dispatcher for tests and the command line: the list is drained by whichever thread created
// the dispatcher, when it calls ProcessMessages or WaitAndProcess.
class TPlainDispatcher : public IUIDispatcher {
public:
  TPlainDispatcher();
  ~TPlainDispatcher() override;

  void Queue(TProc AProc) override;
  void Synchronize(TProc AProc) override;
  void ProcessMessages() override;
  bool IsUIThread() const override;

  // Waits up to ATimeout for an entry to arrive, then processes the list. True when anything ran.
  bool WaitAndProcess(std::chrono::milliseconds ATimeout);
  // Makes the calling thread the user-interface thread (a test fixture that owns the dispatcher
  // but was created elsewhere).
  void BindToCurrentThread();

private:
  struct Entry {
    TProc Proc;
    // Set for Synchronize: the waiting worker's completion state.
    std::shared_ptr<struct SyncState> Sync;
  };
  bool RunOne();
  size_t Pending() const;

  std::thread::id FUIThread;
  mutable std::mutex FLock;
  std::condition_variable FArrived;
  std::deque<Entry> FEntries;
};

// The dispatcher in use: the one installed, else a process-wide TPlainDispatcher bound to the
// thread that first asks for it (start-up asks on the user-interface thread).
IUIDispatcher& UIDispatcher();
// Installs a dispatcher (not owned; it must outlive every task); null goes back to the default.
void InstallUIDispatcher(IUIDispatcher* ADispatcher);

}  // namespace tess::tasks
