// The user-interface dispatcher of the desktop program: worker threads hand procedures to Qt's main thread.
#include "App/Gui/uQtDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tess::gui {

// One posted call per entry; a call that finds the list already drained does nothing.
TQtDispatcher::TQtDispatcher()
    : tasks::TQueuedDispatcher([this] {
        QMetaObject::invokeMethod(
            this, [this] { Drain(); }, Qt::QueuedConnection);
      }) {}

// Closed before the QObject part goes, so that no worker posts to it meanwhile; the calls already
// posted go with it.
TQtDispatcher::~TQtDispatcher() { Close(); }

void TQtDispatcher::ProcessMessages() {
  if (!IsUIThread()) return;
  Drain();
  QCoreApplication::processEvents();
}

}  // namespace tess::gui
