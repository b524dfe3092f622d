// The Qt dispatcher: held to what every dispatcher promises, and drained by the event loop alone.
#include "App/Gui/uQtDispatcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Support/DispatcherContract.h"

namespace tess::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, DispatcherContract, gui::TQtDispatcher);

TEST(QtDispatcher, EntriesRunFromTheEventLoopWithoutExplicitProcessing) {
  // Modal dialogs and the message loop drain the list through posted events alone.
  gui::TQtDispatcher dispatcher;
  std::atomic<bool> ran{false};
  std::thread worker([&] { dispatcher.Queue([&] { ran = true; }); });
  worker.join();
  QElapsedTimer clock;
  clock.start();
  while (!ran && clock.elapsed() < 2000) QCoreApplication::processEvents();
  EXPECT_TRUE(ran.load());
}

}  // namespace tess::testing
