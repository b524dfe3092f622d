// Shared by the batch and controller tests: an in-thread user-interface loop, scripted transformations, corpus copies.
#pragma once

#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uDString.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Shared/Tasks/uDispatcher.h"
#include "Support/Corpus.h"
#include "Support/TempDir.h"
#include "Transformations/uTransform.h"

namespace tess::testing {

// The test's thread is the user-interface thread: a queued dispatcher bound to it is installed for
// the object's life, and the test drains it while waiting for the workers.
class TUILoop {
public:
  TUILoop() { tasks::InstallUIDispatcher(&FDispatcher); }
  ~TUILoop() {
    // Whatever a worker still hands over must find the dispatcher that it expects.
    Pump(std::chrono::milliseconds(20));
    tasks::InstallUIDispatcher(nullptr);
  }
  TUILoop(const TUILoop&) = delete;
  TUILoop& operator=(const TUILoop&) = delete;

  // Processes messages until APredicate holds; false when ATimeout passed first.
  bool Until(const std::function<bool()>& APredicate, std::chrono::milliseconds ATimeout = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + ATimeout;
    while (!APredicate()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      FDispatcher.WaitAndProcess(std::chrono::milliseconds(5));
    }
    return true;
  }
  // Processes messages for the whole of ADuration.
  void Pump(std::chrono::milliseconds ADuration) {
    const auto deadline = std::chrono::steady_clock::now() + ADuration;
    while (std::chrono::steady_clock::now() < deadline) FDispatcher.WaitAndProcess(std::chrono::milliseconds(2));
  }
  tasks::TQueuedDispatcher& Dispatcher() { return FDispatcher; }

private:
  tasks::TQueuedDispatcher FDispatcher;
};

// A gate a worker waits at until the test opens it.
class TGate {
public:
  void Open() {
    std::lock_guard lock(FMutex);
    FOpen = true;
    FChanged.notify_all();
  }
  void Wait() {
    std::unique_lock lock(FMutex);
    ++FWaiting;
    FChanged.notify_all();
    FChanged.wait(lock, [this] { return FOpen; });
  }
  // Blocks until AWorkers have arrived at the gate.
  bool WaitForArrivals(int AWorkers, std::chrono::milliseconds ATimeout = std::chrono::seconds(20)) {
    std::unique_lock lock(FMutex);
    return FChanged.wait_for(lock, ATimeout, [&] { return FWaiting >= AWorkers; });
  }
  int Arrivals() {
    std::lock_guard lock(FMutex);
    return FWaiting;
  }

private:
  std::mutex FMutex;
  std::condition_variable FChanged;
  bool FOpen = false;
  int FWaiting = 0;
};

// What a scripted transformation does with a file, chosen by the file's name.
enum class TScript { Apply, NoChanges, Skip, Fail, LeaveNone };

// Upper-cases the input into the out-file and reports through its message callback, or fails the
// way real transformations do (status tsError, an "Error: " line, then the exception).
class TScriptedTransform : public transform::TTransform {
public:
  explicit TScriptedTransform(std::u16string ACaption = u"Scripted", bool AEditable = false)
      : FCaption(std::move(ACaption)), FEditable(AEditable) {}

  std::u16string GetCaption() const override { return FCaption; }
  bool Editable() const override { return FEditable; }

  void Execute() override {
    FStatus = transform::TTransformStatus::tsNone;
    const std::u16string name = FInFile.Name().Text();
    Seen.push_back(name);
    if (OnExecute) OnExecute(name);
    const TScript script = Scripts.count(name) != 0 ? Scripts.at(name) : TScript::Apply;
    switch (script) {
      case TScript::LeaveNone: return;
      case TScript::Skip: FStatus = transform::TTransformStatus::tsSkipped; return;
      case TScript::Fail: {
        std::ofstream(FOutFile.Native(), std::ios::binary) << "half";
        FStatus = transform::TTransformStatus::tsError;
        DoMessage(u"Error: Grammar failed");
        throw common::Exception(u"Grammar failed");
      }
      case TScript::NoChanges:
      case TScript::Apply: {
        std::string bytes = common::DDirectory::ReadBytes(FInFile);
        for (char& c : bytes) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        common::DDirectory::WriteBytes(FOutFile, bytes);
        DoMessage(u"Converted " + name);
        FStatus = script == TScript::Apply ? transform::TTransformStatus::tsApplied
                                           : transform::TTransformStatus::tsNoChanges;
        return;
      }
    }
  }

  std::map<std::u16string, TScript> Scripts;
  // Runs on the worker thread before the file is handled.
  std::function<void(const std::u16string& AName)> OnExecute;
  std::vector<std::u16string> Seen;

private:
  std::u16string FCaption;
  bool FEditable;
};

// The first ACount files of a corpus folder, by name.
inline std::vector<std::string> CorpusFiles(const std::string& AFolder, size_t ACount) {
  std::vector<std::string> names = FilesIn(AFolder.c_str());
  if (names.size() > ACount) names.resize(ACount);
  return names;
}

// Copies a corpus file into ADir under ATarget (relative, folders created), writable.
inline std::u16string CopyCorpus(const TempDir& ADir, const std::string& AFolder, const std::string& AName,
                                 const std::string& ATarget) {
  const auto target = ADir.Path() / ATarget;
  std::filesystem::create_directories(target.parent_path());
  std::filesystem::copy_file(kCorpus / AFolder / AName, target, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  return common::U16(target.string());
}

}  // namespace tess::testing
