// What every user-interface dispatcher promises, written once and run against each of them (the
// including file instantiates DispatcherContract with its dispatcher type).
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Shared/Common/uException.h"

namespace tess::testing {

template <class TDispatcher>
class DispatcherContract : public ::testing::Test {
protected:
  // Processes messages as the user-interface thread until ADone holds; false after five seconds.
  template <class TPredicate>
  bool PumpUntil(TPredicate ADone) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!ADone()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      Dispatcher->ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  std::unique_ptr<TDispatcher> Dispatcher = std::make_unique<TDispatcher>();
};

TYPED_TEST_SUITE_P(DispatcherContract);

TYPED_TEST_P(DispatcherContract, RunsQueuedAndBlockingCallsFromAWorkerInTheirOrder) {
  std::vector<int> seen;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) {
      if (i % 5 == 4)
        this->Dispatcher->Synchronize([&seen, i] { seen.push_back(i); });
      else
        this->Dispatcher->Queue([&seen, i] { seen.push_back(i); });
    }
    // The finish of a task: everything queued before must have run when it runs.
    this->Dispatcher->Synchronize([&] { seen.push_back(-1); });
    finished = true;
  });
  ASSERT_TRUE(this->PumpUntil([&] { return finished.load(); }));
  worker.join();
  ASSERT_EQ(seen.size(), 51u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[i], i);
  EXPECT_EQ(seen.back(), -1);
}

TYPED_TEST_P(DispatcherContract, SynchronizeReturnsAfterTheProcedureRanAndRaisesItsErrorAgain) {
  std::atomic<bool> returned{false}, releasedOnReturn{false};
  std::u16string error;
  std::thread worker([&] {
    // The procedure owns the last share of this; the dispatcher must let it go before the worker resumes.
    auto captured = std::make_shared<int>(0);
    std::weak_ptr<int> watch = captured;
    try {
      this->Dispatcher->Synchronize([captured = std::move(captured)] { throw common::Exception(u"row gone"); });
    } catch (const common::Exception& raised) {
      error = raised.Message();
    }
    releasedOnReturn = watch.expired();
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(returned) << "Synchronize returned before the user-interface thread ran it";
  ASSERT_TRUE(this->PumpUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_EQ(error, u"row gone");
  EXPECT_TRUE(releasedOnReturn);
}

TYPED_TEST_P(DispatcherContract, OnTheUserInterfaceThreadBothRunAtOnce) {
  int calls = 0;
  this->Dispatcher->Synchronize([&] { ++calls; });
  this->Dispatcher->Queue([&] { ++calls; });
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(this->Dispatcher->Pending(), 0u);
  EXPECT_TRUE(this->Dispatcher->IsUIThread());
}

TYPED_TEST_P(DispatcherContract, AFailingQueuedProcedureIsReportedAndTheOnesBehindItStillRun) {
  std::vector<int> order;
  std::atomic<bool> done{false};
  ::testing::internal::CaptureStderr();
  std::thread worker([&] {
    this->Dispatcher->Queue([&] { order.push_back(1); });
    this->Dispatcher->Queue([] { throw common::Exception(u"bad update"); });
    this->Dispatcher->Synchronize([&] { order.push_back(3); });
    done = true;
  });
  const bool finished = this->PumpUntil([&] { return done.load(); });
  const std::string said = ::testing::internal::GetCapturedStderr();
  worker.join();
  ASSERT_TRUE(finished);
  EXPECT_EQ(order, (std::vector<int>{1, 3}));
  EXPECT_NE(said.find("a queued update failed: bad update"), std::string::npos) << said;
}

TYPED_TEST_P(DispatcherContract, AWorkerStillWaitingWhenTheDispatcherGoesIsReleasedWithAnError) {
  std::u16string error;
  std::thread worker([&] {
    try {
      this->Dispatcher->Synchronize([] { ADD_FAILURE() << "ran after the dispatcher went"; });
    } catch (const common::Exception& raised) {
      error = raised.Message();
    }
  });
  while (this->Dispatcher->Pending() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  this->Dispatcher.reset();
  worker.join();
  EXPECT_EQ(error, u"The user interface has closed");
}

REGISTER_TYPED_TEST_SUITE_P(DispatcherContract, RunsQueuedAndBlockingCallsFromAWorkerInTheirOrder,
                            SynchronizeReturnsAfterTheProcedureRanAndRaisesItsErrorAgain,
                            OnTheUserInterfaceThreadBothRunAtOnce,
                            AFailingQueuedProcedureIsReportedAndTheOnesBehindItStillRun,
                            AWorkerStillWaitingWhenTheDispatcherGoesIsReleasedWithAnError);

}  // namespace tess::testing
