// The message boxes and the modal windows of the desktop program, drawn with Qt.
#pragma once

#include <memory>
#include <string>

#include "App/uDialogs.h"

class QWidget;

namespace tess::gui {

// Message boxes over the active window, titled with the application's display name.
class TQtMessageBox : public common::TDObject, public app::IDMessageBox {
public:
  bool Confirm(const std::u16string& AText) override;
  void Warning(const std::u16string& AText) override;
};

class TQtWindowFactory : public common::TDObject, public app::IDWindowFactory {
public:
  std::unique_ptr<app::IModFormWindow> CreateModForm() override;
  std::unique_ptr<app::IPrefFormWindow> CreatePrefForm() override;
};

// Installs both for its life: start-up keeps one while the message loop runs.
class TQtDialogs {
public:
  TQtDialogs();
  ~TQtDialogs();
  TQtDialogs(const TQtDialogs&) = delete;
  TQtDialogs& operator=(const TQtDialogs&) = delete;

private:
  TQtMessageBox FMessageBox;
  TQtWindowFactory FFactory;
};

// Saves the editor (a change-property action selected) as ADir/editor.png and the preferences
// dialog as ADir/preferences.png, both drawn offscreen. False when a file could not be written.
bool SaveDialogScreenshots(const std::u16string& ADir);

}  // namespace tess::gui
