// What the background work of the batch sees of the main window: the scan and the run each write
// to a narrow view. The main window's own interface extends both.
#pragma once

#include "Shared/Common/uControls.h"

namespace tess::batch {

// The view a folder scan reports to. Its controls belong to the user-interface thread: a worker
// reaches them only through the task dispatcher, and asks again for each use.
class IScanView {
public:
  // The status line; its text is markup.
  virtual common::IDText* Status() = 0;
  virtual common::IDLog* Log() = 0;

protected:
  ~IScanView() = default;
};

// The view a batch run reports to: the scan's, with the file table and the progress bar.
class IRunView : public IScanView {
public:
  // The file table; cells by Id: 0 File, 1 Status, 2 Size, 3 Format, 4 Path.
  virtual common::IDTable* Files() = 0;
  virtual common::IDProgress* Progress() = 0;

protected:
  ~IRunView() = default;
};

}  // namespace tess::batch
