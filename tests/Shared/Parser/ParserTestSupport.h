// Helpers shared by the engine's tests: printable token lists and a thread with a fixed stack.
#pragma once

#include <pthread.h>

#include <functional>
#include <string>
#include <vector>

#include "Shared/Common/uEncoding.h"
#include "Shared/Parser/uTokenizer.h"

namespace tess::parser::testing {

// "Class text" per token, so that a failing comparison shows the whole list.
inline std::vector<std::string> Describe(const TCompositeToken& ARoot) {
  std::vector<std::string> result;
  for (int32_t i = 0; i < ARoot.Count(); ++i) {
    const TToken* token = ARoot[i];
    result.push_back(common::Utf16ToUtf8(token->ClassName()) + " " + common::Utf16ToUtf8(token->Text()));
  }
  return result;
}

inline std::vector<std::string> Tokenize(TTokenizer& ATokenizer, const std::u16string& AText) {
  TCompositeToken root;
  ATokenizer.Tokenize(&root, AText);
  return Describe(root);
}

// Runs AWork on a thread whose stack is exactly AStackSize bytes (the usual 8 MiB by default), so
// that a test of depth does not depend on the limits of the shell that runs it.
inline void RunOnThread(const std::function<void()>& AWork, size_t AStackSize = 8u << 20) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, AStackSize);
  pthread_t thread;
  auto trampoline = [](void* AArgument) -> void* {
    (*static_cast<const std::function<void()>*>(AArgument))();
    return nullptr;
  };
  pthread_create(&thread, &attributes, trampoline, const_cast<std::function<void()>*>(&AWork));
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

}  // namespace tess::parser::testing
