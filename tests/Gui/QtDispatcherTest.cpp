// The Qt dispatcher: order across Queue and Synchronize, direct calls on the user-interface thread, errors.
#include "App/Gui/uQtDispatcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "Shared/Common/uException.h"

namespace tess::gui {
namespace {

// Keeps the user-interface thread's loop turning until ADone, or fails after two seconds.
template <class TPredicate>
bool PumpUntil(TQtDispatcher& ADispatcher, TPredicate ADone) {
  QElapsedTimer clock;
  clock.start();
  while (!ADone()) {
    if (clock.elapsed() > 2000) return false;
    ADispatcher.ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST(QtDispatcher, RunsQueuedAndBlockingCallsFromAWorkerInTheirOrder) {
  TQtDispatcher dispatcher;
  std::vector<int> seen;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) {
      if (i % 5 == 4) {
        dispatcher.Synchronize([&seen, i] { seen.push_back(i); });
      } else {
        dispatcher.Queue([&seen, i] { seen.push_back(i); });
      }
    }
    // The finish of a task: everything queued before must have run when it runs.
    dispatcher.Synchronize([&] { seen.push_back(-1); });
    finished = true;
  });
  ASSERT_TRUE(PumpUntil(dispatcher, [&] { return finished.load(); }));
  worker.join();
  ASSERT_EQ(seen.size(), 51u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[i], i);
  EXPECT_EQ(seen.back(), -1);
}

TEST(QtDispatcher, BlockingCallReturnsOnlyAfterTheProcedureRan) {
  TQtDispatcher dispatcher;
  std::atomic<int> value{0};
  std::atomic<int> seenByWorker{-1};
  std::thread worker([&] {
    dispatcher.Synchronize([&] { value = 7; });
    seenByWorker = value.load();
  });
  ASSERT_TRUE(PumpUntil(dispatcher, [&] { return seenByWorker.load() != -1; }));
  worker.join();
  EXPECT_EQ(seenByWorker.load(), 7);
}

TEST(QtDispatcher, OnTheUserInterfaceThreadBothRunAtOnce) {
  // A blocking hand-off to itself would never return.
  TQtDispatcher dispatcher;
  int calls = 0;
  dispatcher.Synchronize([&] { ++calls; });
  dispatcher.Queue([&] { ++calls; });
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(dispatcher.Pending(), 0u);
  EXPECT_TRUE(dispatcher.IsUIThread());
}

TEST(QtDispatcher, ErrorOfABlockingCallReachesTheWorker) {
  TQtDispatcher dispatcher;
  std::atomic<bool> caught{false};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    try {
      dispatcher.Synchronize([] { throw common::Exception(u"row gone"); });
    } catch (const common::Exception& error) {
      caught = error.Message() == u"row gone";
    }
    done = true;
  });
  ASSERT_TRUE(PumpUntil(dispatcher, [&] { return done.load(); }));
  worker.join();
  EXPECT_TRUE(caught.load());
}

TEST(QtDispatcher, AFailingQueuedCallDoesNotStopTheOnesAfterIt) {
  TQtDispatcher dispatcher;
  std::atomic<int> after{0};
  std::thread worker([&] {
    dispatcher.Queue([] { throw common::Exception(u"bad update"); });
    dispatcher.Queue([&] { ++after; });
  });
  worker.join();
  ASSERT_TRUE(PumpUntil(dispatcher, [&] { return after.load() == 1; }));
}

TEST(QtDispatcher, EntriesRunFromTheEventLoopWithoutExplicitProcessing) {
  // Modal dialogs and the message loop drain the list through posted events alone.
  TQtDispatcher dispatcher;
  std::atomic<bool> ran{false};
  std::thread worker([&] { dispatcher.Queue([&] { ran = true; }); });
  worker.join();
  QElapsedTimer clock;
  clock.start();
  while (!ran && clock.elapsed() < 2000) QCoreApplication::processEvents();
  EXPECT_TRUE(ran.load());
}

TEST(QtDispatcher, AWorkerStillWaitingWhenTheDispatcherGoesIsReleasedWithAnError) {
  auto dispatcher = std::make_unique<TQtDispatcher>();
  std::atomic<bool> released{false};
  std::thread worker([&] {
    try {
      dispatcher->Synchronize([] {});
    } catch (const common::Exception&) {
      released = true;
    }
  });
  while (dispatcher->Pending() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  dispatcher.reset();
  worker.join();
  EXPECT_TRUE(released.load());
}

}  // namespace
}  // namespace tess::gui
