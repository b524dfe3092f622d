// Work that must happen when a scope is left, however it is left.
#pragma once

#include <exception>
#include <utility>

namespace tess::common {

// Runs its action when it goes out of scope, also when an exception leaves the scope, unless it
// was dismissed first (for an undo that only a failure needs). An action that raises on a normal
// exit raises out of the scope; while an exception is already on its way, that first failure is
// the one the caller hears of and the action's own is dropped.
template <class TAction>
class [[nodiscard]] TScopeGuard {
public:
  explicit TScopeGuard(TAction AAction) : FAction(std::move(AAction)) {}
  ~TScopeGuard() noexcept(false) {
    if (!FActive) return;
    try {
      FAction();
    } catch (...) {
      if (std::uncaught_exceptions() > 0) return;
      throw;
    }
  }
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;

  void Dismiss() noexcept { FActive = false; }

private:
  TAction FAction;
  bool FActive = true;
};

// Gives AVariable the value AValue until the scope ends, then the value it had before.
template <class T>
[[nodiscard]] auto SetForScope(T& AVariable, T AValue) {
  return TScopeGuard([&AVariable, previous = std::exchange(AVariable, std::move(AValue))]() mutable {
    AVariable = std::move(previous);
  });
}

// Holds off a control's repainting (BeginUpdate) until the scope ends (EndUpdate). A null control
// is left alone.
template <class TControl>
[[nodiscard]] auto UpdateScope(TControl* AControl) {
  if (AControl != nullptr) AControl->BeginUpdate();
  return TScopeGuard([AControl] {
    if (AControl != nullptr) AControl->EndUpdate();
  });
}

}  // namespace tess::common
