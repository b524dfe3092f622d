// The program's main window: tool bar, transformation chooser, file table, details log and footer.
#pragma once

#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "App/Gui/uVCLControls.h"
#include "App/uMainForm.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QToolBar;

namespace tess::gui {

class THtmlLabel;

// The file table: a tree widget that takes dropped files and folders.
class TFilesTree : public QTreeWidget {
public:
  using TDropEvent = std::function<void(const common::TStringList& AFiles, const common::TStringList& AFolders)>;
  explicit TFilesTree(QWidget* AParent = nullptr);
  void SetOnDrop(TDropEvent AHandler) { FOnDrop = std::move(AHandler); }
  // Sorts local paths into files and folders and hands them on; false when nothing was usable.
  bool DropPaths(const QStringList& APaths);

protected:
  void dragEnterEvent(QDragEnterEvent* AEvent) override;
  void dragMoveEvent(QDragMoveEvent* AEvent) override;
  void dropEvent(QDropEvent* AEvent) override;

private:
  TDropEvent FOnDrop;
};

// Keeps the last entry in view while entries are added, but only when the user left the table
// scrolled to its end: someone reading the top of a long list is not dragged away from it.
class TAutoScroller : public QObject {
public:
  explicit TAutoScroller(QTreeWidget* AList);
  bool Following() const { return FFollowing; }

private:
  void Scrolled();
  void Inserted();
  QTreeWidget* FList;
  bool FFollowing = false;
};

// The grip above the details log: dragging it up makes the pane taller.
class TDetailsGrip : public QWidget {
public:
  TDetailsGrip(QWidget* APane, QWidget* AParent);
  std::function<void()> OnDoubleClick;

protected:
  void paintEvent(QPaintEvent* AEvent) override;
  void mousePressEvent(QMouseEvent* AEvent) override;
  void mouseMoveEvent(QMouseEvent* AEvent) override;
  void mouseReleaseEvent(QMouseEvent* AEvent) override;
  void mouseDoubleClickEvent(QMouseEvent* AEvent) override;

private:
  QWidget* FPane;
  bool FDragging = false;
  int FStartY = 0;
  int FStartHeight = 0;
};

class TMainForm : public QWidget, public app::IMain {
public:
  explicit TMainForm(QWidget* AParent = nullptr);
  ~TMainForm() override;

  // The controller the commands go to; null detaches (commands then do nothing).
  void SetController(app::IMainC* AController) { FController = AController; }
  app::IMainC* Controller() const { return FController; }
  // Dropped files and folders; the start-up decides whether a drop is taken.
  void SetOnDrop(TFilesTree::TDropEvent AHandler);

  common::IDTable* Files() override;
  common::IDFileDialog* OpenFile() override;
  common::IDDirDialog* OpenDir() override;
  common::IDText* Status() override;
  common::IDList* Transforms() override;
  common::IDLog* Log() override;
  common::IDAction* AddFiles() override;
  common::IDAction* AddDir() override;
  common::IDAction* RemoveFiles() override;
  common::IDAction* AddTransform() override;
  common::IDAction* EditTransform() override;
  common::IDAction* RemoveTransform() override;
  common::IDAction* Preferences() override;
  common::IDAction* Start() override;
  common::IDAction* Stop() override;
  common::IDProgress* Progress() override;
  void SwitchProcess(bool AExecuting) override;

  // The details pane: at most 24 high it opens to 100, otherwise it folds to 20.
  void ToggleDetails();
  int DetailsHeight() const;
  void SetDetailsHeight(int AHeight);
  // The expander picture shown: 0 collapsed, 1 expanded.
  int DetailsIconIndex() const { return FDetailsIconIndex; }

  void InvertSelection();
  // AColumn: 0 File, 1 Status, 3 Format, 4 Path.
  void SelectSame(int AColumn);

  // The widgets, for the start-up and for tests.
  TFilesTree* FilesTree() const { return lvFiles; }
  QComboBox* TransformCombo() const { return cbMod; }
  QProgressBar* ProgressBar() const { return pbProgress; }
  QWidget* TransformFrame() const { return FTransformFrame; }
  QWidget* ProgressFrame() const { return FProgressFrame; }
  QPlainTextEdit* DetailsMemo() const { return mmDetails; }
  QLabel* DetailsLabel() const { return lbDetails; }
  THtmlLabel* StatusLabel() const { return lbStatus; }
  THtmlLabel* SiteLink() const { return lbSiteLink; }
  QToolBar* Tools() const { return ToolBar; }
  QMenu* FilesPopup() const { return mmFilesPopup; }
  QAction* ActionNamed(const QString& AName) const;

protected:
  void closeEvent(QCloseEvent* AEvent) override;
  bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
  void BuildHeader(QWidget* AHeader);
  void BuildMain(QWidget* AMain);
  void BuildDetails(QWidget* APane);
  void BuildFooter(QWidget* AFooter);
  QAction* NewAction(const char* AName, const char* ACaption, const char* AHint, void (app::IMainC::*ACommand)());
  // Runs a controller command; what it raises is shown in a warning instead of ending the
  // event loop.
  void Command(void (app::IMainC::*ACommand)());
  void DetailsResized();
  void OpenSite(const std::u16string& ALink);

  app::IMainC* FController = nullptr;
  std::unique_ptr<TAutoScroller> FAutoScroll;
  std::unique_ptr<TDWrapper> FWrapper;
  std::unique_ptr<TDListView> FFiles;
  std::unique_ptr<TDOpenFileDialog> FOpen;
  std::unique_ptr<common::TDDirDialog> FOpenDir;
  std::unique_ptr<TDHtmlLabel> FStatus;

  QToolBar* ToolBar = nullptr;
  QWidget* FTransformFrame = nullptr;
  QWidget* FProgressFrame = nullptr;
  QComboBox* cbMod = nullptr;
  QProgressBar* pbProgress = nullptr;
  TFilesTree* lvFiles = nullptr;
  QMenu* mmFilesPopup = nullptr;
  QWidget* paBottom = nullptr;
  QWidget* paDetails = nullptr;
  QLabel* DetailsIcon = nullptr;
  QLabel* lbDetails = nullptr;
  QPlainTextEdit* mmDetails = nullptr;
  THtmlLabel* lbStatus = nullptr;
  THtmlLabel* lbSiteLink = nullptr;
  int FDetailsIconIndex = -1;
  QAction* aAddFile = nullptr;
  QAction* aDeleteFiles = nullptr;
  QAction* aAddDir = nullptr;
  QAction* aNewTransform = nullptr;
  QAction* aEditTransform = nullptr;
  QAction* aDeleteTransform = nullptr;
  QAction* aStart = nullptr;
  QAction* aStop = nullptr;
  QAction* aOptions = nullptr;
  QAction* aSelectAll = nullptr;
  QAction* aDeselect = nullptr;
  QAction* aInvertSelection = nullptr;
  QAction* aOpenFile = nullptr;
};

// Where the footer link leads: the documentation page shipped with the program.
QString SitePage();

}  // namespace tess::gui
