// The two interfaces through which the main window and its controller meet.
#pragma once

#include "Batch/uBatchViews.h"
#include "Shared/Common/uControls.h"

namespace tess::app {

// The main window as its controller sees it; the background work sees only the batch views it
// extends. Every operation but the last hands out one of the window's controls; the window keeps
// it, and a caller asks again for each use instead of keeping the pointer. The window and its
// controls belong to the user-interface thread: a worker thread reaches them only through the
// task dispatcher.
class IMain : public batch::IRunView {
public:
  virtual common::IDFileDialog* OpenFile() = 0;
  virtual common::IDDirDialog* OpenDir() = 0;
  // The transformation chooser; each item's DataObject is the transformation it stands for.
  virtual common::IDList* Transforms() = 0;
  virtual common::IDAction* AddFiles() = 0;
  virtual common::IDAction* AddDir() = 0;
  virtual common::IDAction* RemoveFiles() = 0;
  virtual common::IDAction* AddTransform() = 0;
  virtual common::IDAction* EditTransform() = 0;
  virtual common::IDAction* RemoveTransform() = 0;
  virtual common::IDAction* Preferences() = 0;
  virtual common::IDAction* Start() = 0;
  virtual common::IDAction* Stop() = 0;
  // True shows the progress bar in place of the chooser; false shows the chooser again, with
  // its current entry as it was.
  virtual void SwitchProcess(bool AExecuting) = 0;

protected:
  ~IMain() = default;
};

// The main controller as the main window sees it: one operation per user command.
class IMainC {
public:
  virtual void AddFile() = 0;
  virtual void AddDir() = 0;
  virtual void RemoveFiles() = 0;
  // Also a double click on the file table.
  virtual void OpenFile() = 0;
  virtual void NewTransform() = 0;
  virtual void EditTransform() = 0;
  virtual void RemoveTransform() = 0;
  // The user picked another entry in the chooser (never called for a change made by code).
  virtual void TransformChanged() = 0;
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual void Options() = 0;

protected:
  ~IMainC() = default;
};


}  // namespace tess::app
