// Runs work on a thread with an ordinary worker's stack, for tests of inputs nested far too deep.
#pragma once

#include <gtest/gtest.h>

#include <pthread.h>

#include <cstddef>
#include <functional>
#include <string>

#include "Shared/Common/uException.h"

namespace tess::testing {

// The stack a worker thread gets by default on Linux.
constexpr size_t kWorkerStack = 8 * 1024 * 1024;

// Runs AWork on a thread with a worker's stack; returns the message of the system's error it
// failed with, or "" when it did not fail.
inline std::string MessageOnWorkerThread(const std::function<void()>& AWork) {
  struct TJob {
    const std::function<void()>* Work;
    std::string Message;
  } job{&AWork, {}};
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, kWorkerStack);
  pthread_t thread;
  const auto body = [](void* AJob) -> void* {
    auto* job = static_cast<TJob*>(AJob);
    try {
      (*job->Work)();
    } catch (const common::Exception& error) {
      job->Message = error.what();
    }
    return nullptr;
  };
  EXPECT_EQ(pthread_create(&thread, &attributes, body, &job), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  return job.Message;
}

}  // namespace tess::testing
