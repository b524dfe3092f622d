// Background work: an algorithm does the work, a task runs it here or on a worker thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "Shared/Common/uException.h"

namespace tess::tasks {

class TTask;

// One unit of work. It polls the task's Terminated at its own safe points.
class TAlgorithm {
public:
  virtual ~TAlgorithm() = default;
  virtual void Work(TTask& ATask) = 0;
};

class ETaskError : public common::Exception {
public:
  using Exception::Exception;
};

using TNotifyEvent = std::function<void(TTask* ASender)>;

class TTask {
public:
  virtual ~TTask() = default;

  virtual bool Working() const = 0;
  virtual bool Suspended() const = 0;
  virtual bool Terminated() const = 0;
  virtual void Run(TAlgorithm* AAlgorithm) = 0;
  virtual void Terminate() = 0;
  virtual void Suspend() = 0;
  virtual void Resume() = 0;
  virtual void WaitWhileSuspended() = 0;

  // When true (the default) the task deletes the algorithm once its work has ended.
  bool OwnsWorker() const { return FOwnsWorker; }
  void SetOwnsWorker(bool AValue) { FOwnsWorker = AValue; }
  // When true the task deletes itself after OnFinish; it must then have been made with new.
  bool FreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool AValue) { FFreeOnTerminate = AValue; }
  const TNotifyEvent& OnStart() const { return FOnStart; }
  void SetOnStart(TNotifyEvent AValue) { FOnStart = std::move(AValue); }
  const TNotifyEvent& OnFinish() const { return FOnFinish; }
  void SetOnFinish(TNotifyEvent AValue) { FOnFinish = std::move(AValue); }

protected:
  bool FOwnsWorker = true;
  bool FFreeOnTerminate = false;
  TNotifyEvent FOnStart;
  TNotifyEvent FOnFinish;
};

// Runs the algorithm in the caller's thread; Run returns when the work has ended.
class TSimpleTask : public TTask {
public:
  TSimpleTask() = default;
  // Asks a running work to stop and waits for it (see StopAndWait).
  ~TSimpleTask() override;
  TSimpleTask(const TSimpleTask&) = delete;
  TSimpleTask& operator=(const TSimpleTask&) = delete;

  bool Working() const override { return FWorking.load(); }
  bool Suspended() const override { return FSuspendCounter.load() > 0; }
  bool Terminated() const override { return FTerminated.load(std::memory_order_relaxed); }
  // Raises ETaskError "Task is already running." while a run is in progress, changing nothing.
  // An exception of the work passes on to the caller after the finish; so does one of OnStart,
  // and the work then does not run.
  void Run(TAlgorithm* AAlgorithm) override;
  void Terminate() override;
  void Suspend() override;
  void Resume() override;
  void WaitWhileSuspended() override;

protected:
  // Asks a running work to stop and waits for it. On the user-interface thread the wait keeps
  // processing messages, so a threaded work can deliver its finish instead of blocking forever;
  // that finish then raises no OnFinish, as the task is going away. Called by the destructor of
  // each task class, before the object's dynamic type changes under a work still calling it.
  void StopAndWait();
  virtual void DoWork(TAlgorithm* AAlgorithm);
  // Ends the run: the algorithm goes (when owned), then OnFinish, then the task itself when it
  // frees itself. Nothing of the task is touched after OnFinish, which may delete it.
  void Finish();

private:
  void CheckNotRunning() const;
  void Start(TAlgorithm* AAlgorithm);

  std::atomic<int32_t> FSuspendCounter{0};
  std::atomic<bool> FWorking{false};
  std::atomic<bool> FTerminated{false};
  // Owned only while FOwnsWorker holds at the finish.
  TAlgorithm* FWorker = nullptr;
  std::atomic<bool> FDestroying{false};
};

// Runs the algorithm on a fresh worker thread; Run returns at once. The finish and OnFinish come
// on the user-interface thread, after every procedure the algorithm queued before it ended.
// An exception escaping the work ends it silently; the finish still follows.
class TThreadedTask : public TSimpleTask {
public:
  TThreadedTask() = default;
  ~TThreadedTask() override;

protected:
  void DoWork(TAlgorithm* AAlgorithm) override;

private:
  void ThreadTerminated();
};

}  // namespace tess::tasks
