#include "Shared/Tasks/uTask.h"

#include <cassert>
#include <chrono>
#include <memory>
#include <thread>

#include "Shared/Common/uScopeGuard.h"
#include "Shared/Tasks/uDispatcher.h"
#include "Shared/Tasks/uProcThread.h"

namespace tess::tasks {

TSimpleTask::~TSimpleTask() { StopAndWait(); }

void TSimpleTask::StopAndWait() {
  FDestroying = true;
  Terminate();
  while (Working()) {
    IUIDispatcher& dispatcher = UIDispatcher();
    if (dispatcher.IsUIThread()) dispatcher.ProcessMessages();
    if (!Working()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(dispatcher.IsUIThread() ? 5 : 100));
  }
}

void TSimpleTask::CheckNotRunning() const {
  if (FWorking.load()) throw ETaskError(u"Task is already running.");
}

void TSimpleTask::Start(TAlgorithm* AAlgorithm) {
  FWorker = AAlgorithm;
  FWorking.store(true);
  FSuspendCounter.store(0);
  FTerminated.store(false, std::memory_order_relaxed);
  if (FOnStart) {
    TNotifyEvent handler = FOnStart;
    handler(this);
  }
}

void TSimpleTask::Run(TAlgorithm* AAlgorithm) {
  assert(AAlgorithm != nullptr && "a task runs an algorithm");
  CheckNotRunning();
  {
    // A failing OnStart would otherwise leave the task working for ever: no run, and a
    // destructor that waits without end. The run ends at once, with its finish.
    common::TScopeGuard finishOnFailure([this] { Finish(); });
    Start(AAlgorithm);
    finishOnFailure.Dismiss();
  }
  DoWork(AAlgorithm);
}

void TSimpleTask::DoWork(TAlgorithm* AAlgorithm) {
  common::TScopeGuard finish([this] { Finish(); });
  AAlgorithm->Work(*this);
}

void TSimpleTask::Finish() {
  FWorking.store(false);
  TAlgorithm* worker = FWorker;
  FWorker = nullptr;
  if (FOwnsWorker) delete worker;
  if (FDestroying) return;
  const bool freeOnTerminate = FFreeOnTerminate;
  // A copy: the handler may delete the task, and with it the stored handler.
  const TNotifyEvent handler = FOnFinish;
  if (handler) handler(this);
  if (freeOnTerminate) delete this;
}

void TSimpleTask::Terminate() {
  FTerminated.store(true, std::memory_order_relaxed);
  if (Suspended()) Resume();
}

void TSimpleTask::Suspend() { FSuspendCounter.fetch_add(1); }

void TSimpleTask::Resume() { FSuspendCounter.fetch_sub(1); }

void TSimpleTask::WaitWhileSuspended() {
  while (Suspended() && !Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

TThreadedTask::~TThreadedTask() { StopAndWait(); }

void TThreadedTask::DoWork(TAlgorithm* AAlgorithm) {
  std::unique_ptr<TProcThread> thread = TProcThread::Create([this, AAlgorithm] { AAlgorithm->Work(*this); });
  thread->OnTerminate = [this] { ThreadTerminated(); };
  // No thread, so no finish would ever come: a failed start ends the run here, and raises.
  common::TScopeGuard finishOnFailure([this] { Finish(); });
  TProcThread::Start(std::move(thread));
  finishOnFailure.Dismiss();
}

void TThreadedTask::ThreadTerminated() { Finish(); }

}  // namespace tess::tasks
