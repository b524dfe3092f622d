// A worker thread that runs one procedure and then cleans up after itself.
#pragma once

#include <functional>
#include <memory>

namespace tess::tasks {

class TProcThread {
public:
  // Made suspended; Start lets it run. Until then the caller owns it.
  static std::unique_ptr<TProcThread> Create(std::function<void()> AProc);
  ~TProcThread();
  TProcThread(const TProcThread&) = delete;
  TProcThread& operator=(const TProcThread&) = delete;

  // Raised on the user-interface thread (through Synchronize) once the body has ended, whether it
  // returned or raised.
  std::function<void()> OnTerminate;

  // Starts the thread, which then owns the object and destroys it after OnTerminate. An exception
  // escaping the procedure ends the body and is dropped. Raises std::system_error when no thread
  // can be started; the object is then destroyed without running anything.
  static void Start(std::unique_ptr<TProcThread> AThread);

private:
  explicit TProcThread(std::function<void()> AProc) : FProc(std::move(AProc)) {}
  void Body();

  std::function<void()> FProc;
};

}  // namespace tess::tasks
