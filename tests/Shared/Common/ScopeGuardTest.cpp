// The scope guard: its action on every way out of a scope, failures of the action, the two helpers.
#include "Shared/Common/uScopeGuard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace tess::common;

namespace {

TEST(ScopeGuard, RunsItsActionOnEveryWayOutUnlessDismissed) {
  struct Case {
    const char* Name;
    bool Raise;
    bool Dismiss;
    int Runs;
  };
  for (const Case& c : {Case{"normal exit", false, false, 1}, Case{"exception", true, false, 1},
                        Case{"dismissed, normal exit", false, true, 0}, Case{"dismissed, exception", true, true, 0}}) {
    int runs = 0;
    try {
      TScopeGuard guard([&] { ++runs; });
      if (c.Dismiss) guard.Dismiss();
      if (c.Raise) throw std::runtime_error("work failed");
    } catch (const std::runtime_error&) {}
    EXPECT_EQ(runs, c.Runs) << c.Name;
  }
}

TEST(ScopeGuard, AFailingActionRaisesUnlessAnEarlierFailureIsOnItsWay) {
  auto leave = [](bool ARaise) {
    TScopeGuard guard([] { throw std::runtime_error("clean-up failed"); });
    if (ARaise) throw std::runtime_error("work failed");
  };
  for (const auto& [raise, heard] : {std::pair{false, "clean-up failed"}, std::pair{true, "work failed"}}) {
    std::string caught;
    try {
      leave(raise);
    } catch (const std::runtime_error& error) {
      caught = error.what();
    }
    EXPECT_EQ(caught, heard);
  }
}

// A control that counts its update calls and how deep its updates are nested.
struct TCountingControl {
  void BeginUpdate() {
    ++Depth;
    ++Begins;
  }
  void EndUpdate() { --Depth; }
  int Depth = 0;
  int Begins = 0;
};

TEST(ScopeGuard, TheHelpersUndoWhatTheyDidAlsoWhenTheScopeFails) {
  bool locked = false;
  TCountingControl control;
  try {
    auto outerLock = SetForScope(locked, true);
    auto outerUpdate = UpdateScope(&control);
    {
      auto innerLock = SetForScope(locked, true);
      auto innerUpdate = UpdateScope(&control);
      EXPECT_EQ(control.Depth, 2);
    }
    EXPECT_TRUE(locked) << "the inner scope must give back the outer one's value, not clear it";
    EXPECT_EQ(control.Depth, 1);
    auto none = UpdateScope<TCountingControl>(nullptr);
    throw std::runtime_error("work failed");
  } catch (const std::runtime_error&) {}
  EXPECT_FALSE(locked);
  EXPECT_EQ(control.Depth, 0);
  EXPECT_EQ(control.Begins, 2);
}

}  // namespace
