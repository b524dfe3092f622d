// A main-window controller that only records which of its commands the window passed on.
#pragma once

#include <string>
#include <vector>

#include "App/uMainForm.h"

namespace tess::testing {

class TRecordingMainC : public app::IMainC {
public:
  void AddFile() override { Calls.push_back("AddFile"); }
  void AddDir() override { Calls.push_back("AddDir"); }
  void RemoveFiles() override { Calls.push_back("RemoveFiles"); }
  void OpenFile() override { Calls.push_back("OpenFile"); }
  void NewTransform() override { Calls.push_back("NewTransform"); }
  void EditTransform() override { Calls.push_back("EditTransform"); }
  void RemoveTransform() override { Calls.push_back("RemoveTransform"); }
  void TransformChanged() override { Calls.push_back("TransformChanged"); }
  void Start() override { Calls.push_back("Start"); }
  void Stop() override { Calls.push_back("Stop"); }
  void Options() override { Calls.push_back("Options"); }

  std::vector<std::string> Calls;
};

}  // namespace tess::testing
