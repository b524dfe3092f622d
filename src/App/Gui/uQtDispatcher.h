// The user-interface dispatcher of the desktop program: worker threads hand procedures to Qt's main thread.
#pragma once

#include <QObject>

#include "Shared/Tasks/uDispatcher.h"

namespace tess::gui {

// The shared list, drained from an event it posts to itself for each entry, so that it also runs
// inside modal dialogs and the wait of a stop.
class TQtDispatcher : public QObject, public tasks::TQueuedDispatcher {
public:
  // Must be made on the thread that runs the Qt event loop.
  TQtDispatcher();
  ~TQtDispatcher() override;

  // Runs the pending entries, then Qt's other pending events.
  void ProcessMessages() override;
};

}  // namespace tess::gui
