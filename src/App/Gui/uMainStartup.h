// The desktop program's start-up and shut-down: the main window and its controller wired together.
#pragma once

#include <QStringList>
#include <QTimer>

#include <memory>

#include "App/Gui/uMainWindow.h"
#include "App/Gui/uQtDialogs.h"
#include "App/uDialogs.h"
#include "App/uMainC.h"

namespace tess::gui {

// Makes the locale the environment names (LC_ALL, LC_NUMERIC, LANG) the C++ global one, from which
// the sizes on screen take their decimal separator; a locale this system lacks gives "C" instead
// of ending the program.
void InstallUserLocale();

// Installs the user's locale, creates the window and then the controller, attaches them to each other, and reports in
// the details log whatever start-up met and survived (transformation files skipped, a settings file that could not be
// read). The destructor takes them apart in the reverse order: the window forgets its controller, the controller its
// view, then the controller goes, and the window last.
class TMainProgram {
public:
  // ATransforms null uses the program's transformation list; tests pass their own.
  explicit TMainProgram(transform::TTransformList* ATransforms = nullptr);
  ~TMainProgram();
  TMainProgram(const TMainProgram&) = delete;
  TMainProgram& operator=(const TMainProgram&) = delete;

  TMainForm& Window() const { return *FWindow; }
  app::TMainC& Controller() const { return *FController; }

  // What a drop on the file table does: refused while a scan or a run is in progress; files are
  // added like "Add File"; folders are scanned like "Add Directory", one after the other.
  // False when the drop was refused.
  bool Drop(const common::TStringList& AFiles, const common::TStringList& AFolders);
  // The paths the program was started with (file managers and the desktop entry pass them): taken
  // as a drop is, and a path that is neither a file nor a folder is named in the details log.
  // Relative paths are taken from the current folder; file:// addresses are read as paths.
  void OpenPaths(const QStringList& APaths);
  // Folders dropped and still waiting for their scan.
  size_t PendingFolders() const { return FPendingFolders.size(); }

private:
  void ScanNextFolder();
  void ReportStartProblems(transform::TTransformList& AList);
  // Writes the lines to the details log and opens the pane when it is closed.
  void ShowInDetails(const common::TStringList& ALines);

  std::unique_ptr<TMainForm> FWindow;
  // The message boxes and the editor and preferences windows the commands open.
  std::unique_ptr<TQtDialogs> FDialogs;
  std::unique_ptr<app::TMainC> FController;
  std::vector<common::TFilePath> FPendingFolders;
  QTimer FFolderTimer;
};

}  // namespace tess::gui
