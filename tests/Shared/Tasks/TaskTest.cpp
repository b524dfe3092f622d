#include "Shared/Tasks/uTask.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Shared/Tasks/uDispatcher.h"

using namespace tess::tasks;
using namespace std::chrono_literals;

namespace {

// Every test owns a dispatcher whose user-interface thread is the test's own thread.
class TaskTest : public ::testing::Test {
protected:
  void SetUp() override { InstallUIDispatcher(&FDispatcher); }
  void TearDown() override { InstallUIDispatcher(nullptr); }

  // Processes messages until the condition holds; false after ten seconds.
  bool PumpUntil(const std::function<bool()>& ACondition) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!ACondition()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      FDispatcher.WaitAndProcess(5ms);
    }
    return true;
  }

  TQueuedDispatcher FDispatcher;
};

// An algorithm built from a lambda, counting its destruction.
class LambdaAlgorithm : public TAlgorithm {
public:
  LambdaAlgorithm(std::function<void(TTask&)> AWork, std::atomic<int>* ADestroyed = nullptr)
      : FWork(std::move(AWork)), FDestroyed(ADestroyed) {}
  ~LambdaAlgorithm() override {
    if (FDestroyed) ++*FDestroyed;
  }
  void Work(TTask& ATask) override { FWork(ATask); }

private:
  std::function<void(TTask&)> FWork;
  std::atomic<int>* FDestroyed;
};

class CountedTask : public TThreadedTask {
public:
  explicit CountedTask(std::atomic<int>& ADestroyed) : FDestroyed(ADestroyed) {}
  ~CountedTask() override { ++FDestroyed; }

private:
  std::atomic<int>& FDestroyed;
};

}  // namespace

TEST_F(TaskTest, FreshTaskHasTheDocumentedDefaults) {
  TThreadedTask task;
  EXPECT_TRUE(task.OwnsWorker());
  EXPECT_FALSE(task.FreeOnTerminate());
  EXPECT_FALSE(task.Working());
  EXPECT_FALSE(task.Terminated());
  EXPECT_FALSE(task.Suspended());
}

TEST_F(TaskTest, RunningTwiceRaisesAndLeavesTheFirstRunWorking) {
  std::atomic<bool> release{false};
  int finishes = 0;
  TThreadedTask task;
  task.SetOnFinish([&](TTask*) { ++finishes; });
  task.Run(new LambdaAlgorithm([&](TTask&) {
    while (!release) std::this_thread::sleep_for(1ms);
  }));
  auto second = std::make_unique<LambdaAlgorithm>([](TTask&) { FAIL() << "the second algorithm must not run"; });
  try {
    task.Run(second.get());
    FAIL() << "no error";
  } catch (const ETaskError& error) {
    EXPECT_EQ(error.Message(), u"Task is already running.");
  }
  EXPECT_TRUE(task.Working());
  release = true;
  ASSERT_TRUE(PumpUntil([&] { return !task.Working(); }));
  FDispatcher.WaitAndProcess(20ms);
  EXPECT_EQ(finishes, 1);
}

TEST_F(TaskTest, EveryQueuedUpdateRunsBeforeTheFinish) {
  constexpr int kUpdates = 2000;
  std::vector<int> seen;
  size_t seenAtFinish = 0;
  bool finished = false;
  TThreadedTask task;
  task.SetOnFinish([&](TTask*) {
    seenAtFinish = seen.size();
    finished = true;
  });
  task.Run(new LambdaAlgorithm([&](TTask&) {
    for (int i = 0; i < kUpdates; ++i) UIDispatcher().Queue([&seen, i] { seen.push_back(i); });
  }));
  ASSERT_TRUE(PumpUntil([&] { return finished; }));
  EXPECT_EQ(seenAtFinish, static_cast<size_t>(kUpdates));
  for (int i = 0; i < kUpdates; ++i) ASSERT_EQ(seen[i], i) << "updates ran out of order";
}

TEST_F(TaskTest, AThrowingThreadedAlgorithmGetsExactlyOneFinishOnTheUserInterfaceThread) {
  std::atomic<int> destroyed{0};
  int finishes = 0;
  std::thread::id finishThread;
  TThreadedTask task;
  task.SetOnFinish([&](TTask* ASender) {
    EXPECT_EQ(ASender, &task);
    ++finishes;
    finishThread = std::this_thread::get_id();
  });
  task.Run(new LambdaAlgorithm([](TTask&) { throw std::runtime_error("work failed"); }, &destroyed));
  ASSERT_TRUE(PumpUntil([&] { return finishes > 0; }));
  FDispatcher.WaitAndProcess(50ms);
  EXPECT_EQ(finishes, 1);
  EXPECT_EQ(finishThread, std::this_thread::get_id());
  EXPECT_EQ(destroyed, 1) << "an owned algorithm is deleted at the finish";
  EXPECT_FALSE(task.Working());
}

TEST_F(TaskTest, ASimpleTaskFinishesBeforeTheWorksExceptionReachesTheCaller) {
  std::atomic<int> destroyed{0};
  std::vector<std::string> events;
  TSimpleTask task;
  task.SetOnStart([&](TTask*) { events.push_back("start"); });
  task.SetOnFinish([&](TTask*) { events.push_back("finish"); });
  auto* algorithm = new LambdaAlgorithm(
      [&](TTask& ATask) {
        events.push_back(ATask.Working() ? "work while working" : "work while idle");
        throw std::runtime_error("boom");
      },
      &destroyed);
  EXPECT_THROW(task.Run(algorithm), std::runtime_error);
  EXPECT_EQ(events, (std::vector<std::string>{"start", "work while working", "finish"}));
  EXPECT_EQ(destroyed, 1);
  EXPECT_FALSE(task.Working());
}

TEST_F(TaskTest, AFailingStartHandlerEndsTheRunWithItsFinishAndTheTaskCanRunAgain) {
  std::atomic<int> destroyed{0};
  int finishes = 0;
  bool worked = false;
  TThreadedTask task;
  task.SetOnStart([](TTask*) { throw std::runtime_error("start failed"); });
  task.SetOnFinish([&](TTask*) { ++finishes; });
  EXPECT_THROW(task.Run(new LambdaAlgorithm([&](TTask&) { worked = true; }, &destroyed)), std::runtime_error);
  EXPECT_FALSE(task.Working());
  EXPECT_EQ(finishes, 1);
  EXPECT_EQ(destroyed, 1);
  task.SetOnStart(nullptr);
  task.Run(new LambdaAlgorithm([&](TTask&) { worked = true; }));
  ASSERT_TRUE(PumpUntil([&] { return !task.Working(); }));
  EXPECT_TRUE(worked);
}

TEST_F(TaskTest, ATaskDeletedInItsOwnFinishHandlerIsSafe) {
  std::atomic<int> destroyedTasks{0};
  std::atomic<int> destroyedAlgorithms{0};
  bool finished = false;
  auto* task = new CountedTask(destroyedTasks);
  task->SetOnFinish([&](TTask* ASender) {
    finished = true;
    delete ASender;
  });
  task->Run(new LambdaAlgorithm([](TTask&) { std::this_thread::sleep_for(5ms); }, &destroyedAlgorithms));
  ASSERT_TRUE(PumpUntil([&] { return finished; }));
  EXPECT_EQ(destroyedTasks, 1);
  EXPECT_EQ(destroyedAlgorithms, 1);
}

TEST_F(TaskTest, FreeOnTerminateDeletesTheTaskAfterItsHandler) {
  std::atomic<int> destroyedTasks{0};
  int destroyedWhenHandlerRan = -1;
  auto* task = new CountedTask(destroyedTasks);
  task->SetFreeOnTerminate(true);
  task->SetOnFinish([&](TTask*) { destroyedWhenHandlerRan = destroyedTasks; });
  task->Run(new LambdaAlgorithm([](TTask&) {}));
  ASSERT_TRUE(PumpUntil([&] { return destroyedTasks > 0; }));
  EXPECT_EQ(destroyedWhenHandlerRan, 0);
  EXPECT_EQ(destroyedTasks, 1);
}

TEST_F(TaskTest, ATaskRunsAgainAfterItsFinishWithTheTerminationFlagCleared) {
  TSimpleTask task;
  std::vector<bool> terminatedAtStart;
  LambdaAlgorithm algorithm([&](TTask& ATask) {
    terminatedAtStart.push_back(ATask.Terminated());
    ATask.Terminate();
  });
  task.SetOwnsWorker(false);
  task.Run(&algorithm);
  EXPECT_TRUE(task.Terminated());
  task.Terminate();  // while idle: no effect on the next run
  task.Run(&algorithm);
  EXPECT_EQ(terminatedAtStart, (std::vector<bool>{false, false}));
}

TEST_F(TaskTest, WithoutOwnsWorkerTheAlgorithmSurvivesTheFinish) {
  std::atomic<int> destroyed{0};
  int runs = 0;
  LambdaAlgorithm algorithm([&](TTask&) { ++runs; }, &destroyed);
  TThreadedTask task;
  task.SetOwnsWorker(false);
  for (int i = 0; i < 2; ++i) {
    task.Run(&algorithm);
    ASSERT_TRUE(PumpUntil([&] { return !task.Working(); }));
  }
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(destroyed, 0);
}

TEST_F(TaskTest, TerminatingATaskSuspendedTwiceLeavesItSuspendedButStopsTheWait) {
  TSimpleTask task;
  task.SetOwnsWorker(false);
  bool suspendedAfterTerminate = false;
  std::chrono::steady_clock::duration waited{};
  LambdaAlgorithm algorithm([&](TTask& ATask) {
    ATask.Suspend();
    ATask.Suspend();
    ATask.Terminate();
    suspendedAfterTerminate = ATask.Suspended();
    const auto start = std::chrono::steady_clock::now();
    ATask.WaitWhileSuspended();
    waited = std::chrono::steady_clock::now() - start;
  });
  task.Run(&algorithm);
  EXPECT_TRUE(suspendedAfterTerminate);
  EXPECT_LT(waited, 40ms);
}

TEST_F(TaskTest, ResumeLetsASuspendedWorkGoOn) {
  TThreadedTask task;
  std::atomic<bool> waiting{false}, done{false};
  task.Run(new LambdaAlgorithm([&](TTask& ATask) {
    ATask.Suspend();
    waiting = true;
    ATask.WaitWhileSuspended();
    done = true;
  }));
  ASSERT_TRUE(PumpUntil([&] { return waiting.load(); }));
  std::this_thread::sleep_for(60ms);
  EXPECT_FALSE(done);
  task.Resume();
  ASSERT_TRUE(PumpUntil([&] { return !task.Working(); }));
  EXPECT_TRUE(done);
}

TEST_F(TaskTest, DestroyingAWorkingThreadedTaskOnTheUserInterfaceThreadDoesNotHang) {
  std::atomic<int> destroyed{0};
  std::atomic<bool> started{false};
  bool finishRaised = false;
  std::vector<int> updates;
  {
    TThreadedTask task;
    task.SetOnFinish([&](TTask*) { finishRaised = true; });
    task.Run(new LambdaAlgorithm(
        [&](TTask& ATask) {
          started = true;
          while (!ATask.Terminated()) UIDispatcher().Synchronize([&] { updates.push_back(1); });
        },
        &destroyed));
    ASSERT_TRUE(PumpUntil([&] { return started.load(); }));
  }
  EXPECT_EQ(destroyed, 1);
  EXPECT_FALSE(finishRaised) << "a task being destroyed raises no OnFinish";
}
