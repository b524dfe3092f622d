#include "Shared/Tasks/uProcThread.h"

#include <thread>

#include "Shared/Tasks/uDispatcher.h"

namespace tess::tasks {

std::unique_ptr<TProcThread> TProcThread::Create(std::function<void()> AProc) {
  return std::unique_ptr<TProcThread>(new TProcThread(std::move(AProc)));
}

TProcThread::~TProcThread() = default;

void TProcThread::Body() {
  try {
    FProc();
  } catch (...) {}
  // Released before the finish: what the procedure captured must not outlive the work.
  FProc = nullptr;
  if (OnTerminate) {
    try {
      UIDispatcher().Synchronize(OnTerminate);
    } catch (...) {}
  }
}

void TProcThread::Start(std::unique_ptr<TProcThread> AThread) {
  TProcThread* thread = AThread.get();
  std::thread worker([thread] {
    std::unique_ptr<TProcThread> self(thread);
    self->Body();
  });
  // Only now does the running thread own the object; a failed start leaves it with the caller.
  AThread.release();
  worker.detach();
}

}  // namespace tess::tasks
