// The desktop program's start-up and shut-down: the main window and its controller wired together.
#include "App/Gui/uMainStartup.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <locale>
#include <stdexcept>

#include "App/Gui/uVCLControls.h"
#include "App/uDFMApp.h"
#include "Transformations/uTransformList.h"

namespace tess::gui {

void InstallUserLocale() {
  try {
    std::locale::global(std::locale(""));
  } catch (const std::runtime_error&) {
    std::locale::global(std::locale::classic());
  }
}

TMainProgram::TMainProgram(transform::TTransformList* ATransforms) {
  InstallUserLocale();
  transform::TTransformList& list = ATransforms ? *ATransforms : transform::TTransformList::Instance();
  FWindow = std::make_unique<TMainForm>();
  FDialogs = std::make_unique<TQtDialogs>();
  FController = std::make_unique<app::TMainC>([&list] {
    std::vector<transform::TTransform*> offered;
    for (int i = 0; i < list.Count(); ++i) offered.push_back(list.Items(i));
    return offered;
  });
  if (ATransforms) FController->SetTransformList(ATransforms);
  FController->AttachView(FWindow.get());
  FWindow->SetController(FController.get());
  FWindow->SetOnDrop(
      [this](const common::TStringList& AFiles, const common::TStringList& AFolders) { Drop(AFiles, AFolders); });
  FFolderTimer.setInterval(100);
  QObject::connect(&FFolderTimer, &QTimer::timeout, [this] { ScanNextFolder(); });
  ReportStartProblems(list);
}

TMainProgram::~TMainProgram() {
  FFolderTimer.stop();
  FPendingFolders.clear();
  FWindow->SetController(nullptr);
  FWindow->SetOnDrop(nullptr);
  // The controller stops what still runs; the window is still there for the finish handlers.
  FController->AttachView(nullptr);
  FController.reset();
  FDialogs.reset();
  FWindow.reset();
}

void TMainProgram::ReportStartProblems(transform::TTransformList& AList) {
  common::TStringList problems = AList.LoadMessages();
  const std::u16string settings = app::TDFMApp::Instance().TakeLoadProblem();
  if (!settings.empty()) problems.push_back(settings);
  ShowInDetails(problems);
}

void TMainProgram::ShowInDetails(const common::TStringList& ALines) {
  if (ALines.empty()) return;
  for (const std::u16string& line : ALines) FWindow->Log()->Add(line);
  if (FWindow->DetailsHeight() <= 24) FWindow->ToggleDetails();
}

bool TMainProgram::Drop(const common::TStringList& AFiles, const common::TStringList& AFolders) {
  // A run owns the file list's rows on its worker thread until it ends; a scan is refused too so
  // that the list does not grow under a run about to start.
  if (!FController->Idle()) {
    FWindow->Status()->SetText(u"Files cannot be added while a run is in progress.");
    return false;
  }
  if (!AFiles.empty()) {
    FController->Files().AddFiles(common::FilePaths(AFiles));
    FController->StartInspector();
  }
  const std::vector<common::TFilePath> folders = common::FilePaths(AFolders);
  FPendingFolders.insert(FPendingFolders.end(), folders.begin(), folders.end());
  ScanNextFolder();
  return true;
}

void TMainProgram::OpenPaths(const QStringList& APaths) {
  common::TStringList files;
  common::TStringList folders;
  common::TStringList missing;
  for (QString path : APaths) {
    if (path.startsWith(QStringLiteral("file:"))) {
      const QUrl url(path);
      if (url.isLocalFile()) path = url.toLocalFile();
    }
    const QFileInfo info(path);
    if (info.isDir()) {
      folders.push_back(FromQString(QDir::cleanPath(info.absoluteFilePath())));
    } else if (info.isFile()) {
      files.push_back(FromQString(QDir::cleanPath(info.absoluteFilePath())));
    } else {
      missing.push_back(u"Not found: " + FromQString(path));
    }
  }
  ShowInDetails(missing);
  if (!files.empty() || !folders.empty()) Drop(files, folders);
}

void TMainProgram::ScanNextFolder() {
  if (FPendingFolders.empty()) {
    FFolderTimer.stop();
    return;
  }
  // One scan at a time: the next folder waits until the controller is idle again.
  if (!FController->Idle()) {
    if (!FFolderTimer.isActive()) FFolderTimer.start();
    return;
  }
  const common::TFilePath folder = FPendingFolders.front();
  FPendingFolders.erase(FPendingFolders.begin());
  FController->StartScan(folder);
  FController->StartInspector();
  FController->RefreshActions();
  if (!FPendingFolders.empty() && !FFolderTimer.isActive()) FFolderTimer.start();
}

}  // namespace tess::gui
