// Showing a dialog modally, centred on the window that opened it.
#pragma once

class QDialog;

namespace tess::gui {

// Centres ADialog on the active window (or its screen when it opened none), runs it modally for the
// whole application and returns true when it was accepted.
bool ExecCentredModal(QDialog& ADialog);

}  // namespace tess::gui
