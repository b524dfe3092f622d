// The program's main window: tool bar, transformation chooser, file table, details log and footer.
#include "App/Gui/uMainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "App/Gui/uMainPictures.h"
#include "Batch/uFilesC.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uScopeGuard.h"
#include "Shared/Components/uHtmlLabel.h"

namespace tess::gui {

namespace {

constexpr int CollapsedDetails = 24;
constexpr int FoldedDetails = 20;
constexpr int OpenDetails = 100;
constexpr int MinimumDetails = 20;

// The skinned bars: a light header under the dark tool pictures, a dark footer under white text.
class TSkinnedBar : public QWidget {
public:
  TSkinnedBar(QColor ATop, QColor ABottom, QWidget* AParent) : QWidget(AParent), FTop(ATop), FBottom(ABottom) {}

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, FTop);
    gradient.setColorAt(1, FBottom);
    painter.fillRect(rect(), gradient);
  }

private:
  QColor FTop;
  QColor FBottom;
};

QFont PixelFont(const QString& AFamily, int APixels) {
  QFont font(AFamily);
  font.setPixelSize(APixels);
  return font;
}

}  // namespace

QString SitePage() {
  const QString installed =
      QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/" TESS_INSTALLED_GUIDE));
  if (QFileInfo::exists(installed)) return installed;
#ifdef TESS_DOC_PAGE
  return QStringLiteral(TESS_DOC_PAGE);
#else
  return installed;
#endif
}

// ---- File table ------------------------------------------------------------------------------

TFilesTree::TFilesTree(QWidget* AParent) : QTreeWidget(AParent) {
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDropIndicatorShown(false);
}

bool TFilesTree::DropPaths(const QStringList& APaths) {
  common::TStringList files;
  common::TStringList folders;
  for (const QString& path : APaths) {
    const QFileInfo info(path);
    if (info.isDir()) {
      folders.push_back(FromQString(QDir::cleanPath(info.absoluteFilePath())));
    } else if (info.isFile()) {
      files.push_back(FromQString(info.absoluteFilePath()));
    }
  }
  if ((files.empty() && folders.empty()) || !FOnDrop) return false;
  FOnDrop(files, folders);
  return true;
}

namespace {
QStringList LocalPaths(const QMimeData* AData) {
  QStringList paths;
  if (!AData || !AData->hasUrls()) return paths;
  for (const QUrl& url : AData->urls())
    if (url.isLocalFile()) paths.append(url.toLocalFile());
  return paths;
}
}  // namespace

void TFilesTree::dragEnterEvent(QDragEnterEvent* AEvent) {
  if (!LocalPaths(AEvent->mimeData()).isEmpty() && FOnDrop) {
    AEvent->acceptProposedAction();
  } else {
    AEvent->ignore();
  }
}

void TFilesTree::dragMoveEvent(QDragMoveEvent* AEvent) {
  if (!LocalPaths(AEvent->mimeData()).isEmpty() && FOnDrop) {
    AEvent->acceptProposedAction();
  } else {
    AEvent->ignore();
  }
}

void TFilesTree::dropEvent(QDropEvent* AEvent) {
  if (DropPaths(LocalPaths(AEvent->mimeData()))) {
    AEvent->acceptProposedAction();
  } else {
    AEvent->ignore();
  }
}

// ---- Auto-scroller ---------------------------------------------------------------------------

TAutoScroller::TAutoScroller(QTreeWidget* AList) : FList(AList) {
  connect(FList->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { Scrolled(); });
  connect(FList->model(), &QAbstractItemModel::rowsInserted, this, [this] { Inserted(); });
}

void TAutoScroller::Scrolled() {
  // Whether the last entry was in view at this scroll; the scroll bar's end stands for it.
  const QScrollBar* bar = FList->verticalScrollBar();
  FFollowing = bar->value() >= bar->maximum();
}

void TAutoScroller::Inserted() {
  if (!FFollowing || FList->topLevelItemCount() == 0) return;
  FList->scrollToItem(FList->topLevelItem(FList->topLevelItemCount() - 1));
}

// ---- Details grip ----------------------------------------------------------------------------

TDetailsGrip::TDetailsGrip(QWidget* APane, QWidget* AParent) : QWidget(AParent), FPane(APane) {
  setCursor(Qt::SizeVerCursor);
}

void TDetailsGrip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Mid));
  const int x = width() / 2 - 8;
  const int y = height() / 2 - 3;
  for (int i = 0; i < 3; ++i) painter.drawLine(x, y + i * 3, x + 16, y + i * 3);
}

void TDetailsGrip::mousePressEvent(QMouseEvent* AEvent) {
  if (AEvent->button() != Qt::LeftButton) return;
  FDragging = true;
  FStartY = static_cast<int>(AEvent->globalPosition().y());
  FStartHeight = FPane->height();
}

void TDetailsGrip::mouseMoveEvent(QMouseEvent* AEvent) {
  if (!FDragging) return;
  const int height = FStartHeight + FStartY - static_cast<int>(AEvent->globalPosition().y());
  FPane->setFixedHeight(std::max(MinimumDetails, height));
  if (FPane->parentWidget()) FPane->parentWidget()->update();
}

void TDetailsGrip::mouseReleaseEvent(QMouseEvent*) { FDragging = false; }

void TDetailsGrip::mouseDoubleClickEvent(QMouseEvent*) {
  FDragging = false;
  if (OnDoubleClick) OnDoubleClick();
}

// ---- Main window -----------------------------------------------------------------------------

TMainForm::TMainForm(QWidget* AParent) : QWidget(AParent) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Tessarine"));
  setFont(PixelFont(QStringLiteral("Tahoma"), 11));
  QPalette page = palette();
  page.setColor(QPalette::Window, Qt::white);
  setPalette(page);
  setAutoFillBackground(true);
  setMinimumSize(600, 400);
  resize(611, 423);

  aAddFile = NewAction("aAddFile", "Add File", "Add file", &app::IMainC::AddFile);
  aDeleteFiles = NewAction("aDeleteFiles", "Delete Selected", "Delete selected files", &app::IMainC::RemoveFiles);
  aAddDir = NewAction("aAddDir", "Add Directory", "Add directory", &app::IMainC::AddDir);
  aNewTransform = NewAction("aNewTransform", "New transform", "New user transformation", &app::IMainC::NewTransform);
  aEditTransform =
      NewAction("aEditTransform", "Edit Transform", "Edit user transformation", &app::IMainC::EditTransform);
  aDeleteTransform =
      NewAction("aDeleteTransform", "Delete Transform", "Delete user transformation", &app::IMainC::RemoveTransform);
  aStart = NewAction("aStart", "Start", "Start", &app::IMainC::Start);
  aStop = NewAction("aStop", "Stop", "Stop", &app::IMainC::Stop);
  aOptions = NewAction("aOptions", "Options", "Preferences", &app::IMainC::Options);
  aOpenFile = NewAction("aOpenFile", "Open File", nullptr, &app::IMainC::OpenFile);
  aSelectAll = NewAction("aSelectAll", "Select All", nullptr, nullptr);
  aDeselect = NewAction("aDeselect", "Deselect", nullptr, nullptr);
  aInvertSelection = NewAction("aInvertSelection", "Invert Selection", nullptr, nullptr);
  QAction* pictured[ToolPictureCount] = {aAddFile,      aAddDir,        aDeleteFiles,     aStart,  aStop,
                                         aNewTransform, aEditTransform, aDeleteTransform, aOptions};
  for (int i = 0; i < ToolPictureCount; ++i) pictured[i]->setIcon(ToolIcon(i));
  // The popup shows its commands without the tool bar's pictures.
  for (QAction* action : pictured) action->setIconVisibleInMenu(false);
  aAddFile->setIconText(QStringLiteral("Add file"));
  aAddDir->setIconText(QStringLiteral("Add directory"));
  aDeleteFiles->setIconText(QStringLiteral("Delete selected"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* header = new TSkinnedBar(QColor(0xf2, 0xf5, 0xfa), QColor(0xd6, 0xde, 0xea), this);
  header->setObjectName(QStringLiteral("HeaderBar"));
  header->setFixedHeight(40);
  BuildHeader(header);
  layout->addWidget(header);
  auto* main = new QWidget(this);
  main->setObjectName(QStringLiteral("paMain"));
  BuildMain(main);
  layout->addWidget(main, 1);
  auto* footer = new TSkinnedBar(QColor(0x34, 0x45, 0x63), QColor(0x2b, 0x3a, 0x55), this);
  footer->setObjectName(QStringLiteral("FooterBar"));
  footer->setFixedHeight(20);
  BuildFooter(footer);
  layout->addWidget(footer);

  // Creation order of the window's own objects: chooser handler, expander, form-file image,
  // auto-scroller, wrappers, dialogs, status.
  connect(cbMod, &QComboBox::activated, this, [this] { Command(&app::IMainC::TransformChanged); });
  SetDetailsHeight(CollapsedDetails);
  QList<QIcon> images = StatusImages();
  images.append(FormFileIcon());
  SetSmallImages(lvFiles, images);
  batch::SetFormFileImageIndex(static_cast<int32_t>(images.size() - 1));
  FAutoScroll = std::make_unique<TAutoScroller>(lvFiles);
  FWrapper = CreateVCLWrapper();
  FFiles = std::make_unique<TDListView>(lvFiles);
  FOpen = std::make_unique<TDOpenFileDialog>(this);
  FOpen->SetFilter(u"Delphi Form Files (*.dfm)|*.dfm|All Files (*.*)|*.*");
  FOpen->SetOptions(common::TDFileDialogOptions{common::TDFileDialogOption::ofAllowMultiSelect});
  FOpenDir = CreateDirDialog(this);
  FStatus = std::make_unique<TDHtmlLabel>(lbStatus);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect desk = screen->availableGeometry();
    move(desk.center() - QPoint(width() / 2, height() / 2));
  }
}

TMainForm::~TMainForm() {
  FController = nullptr;
  FStatus.reset();
  FOpenDir.reset();
  FOpen.reset();
  FFiles.reset();
  FAutoScroll.reset();
}

QAction* TMainForm::NewAction(const char* AName, const char* ACaption, const char* AHint,
                              void (app::IMainC::*ACommand)()) {
  auto* action = new QAction(QString::fromUtf8(ACaption), this);
  action->setObjectName(QString::fromUtf8(AName));
  if (AHint) action->setToolTip(QString::fromUtf8(AHint));
  if (ACommand) connect(action, &QAction::triggered, this, [this, ACommand] { Command(ACommand); });
  return action;
}

QAction* TMainForm::ActionNamed(const QString& AName) const { return findChild<QAction*>(AName); }

void TMainForm::Command(void (app::IMainC::*ACommand)()) {
  if (!FController) return;
  try {
    (FController->*ACommand)();
  } catch (const common::Exception& error) {
    QMessageBox::warning(this, windowTitle(), ToQString(error.Message()));
  } catch (const std::exception& error) {
    QMessageBox::warning(this, windowTitle(), QString::fromUtf8(error.what()));
  }
}

void TMainForm::BuildHeader(QWidget* AHeader) {
  auto* layout = new QHBoxLayout(AHeader);
  layout->setContentsMargins(0, 1, 0, 1);
  ToolBar = new QToolBar(AHeader);
  ToolBar->setObjectName(QStringLiteral("ToolBar"));
  ToolBar->setIconSize(QSize(32, 32));
  ToolBar->setMovable(false);
  ToolBar->setFloatable(false);
  // Tight padding: at the 611 pixel starting width all nine buttons must fit without an overflow menu.
  ToolBar->setStyleSheet(
      QStringLiteral("QToolBar { background: transparent; border: none; spacing: 0px; padding: 0px; }"
                     "QToolButton { padding: 0px; margin: 0px; } QToolBar::separator { width: 5px; }"));
  const auto add = [this](QAction* AAction, const char* AName, bool AText) {
    auto* button = new QToolButton(ToolBar);
    button->setObjectName(QString::fromUtf8(AName));
    button->setDefaultAction(AAction);
    button->setAutoRaise(true);
    button->setIconSize(QSize(32, 32));
    button->setFixedHeight(38);
    if (AText) {
      button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      // Where Tahoma is missing its stand-in runs wider; one pixel less keeps all nine buttons
      // on the bar at the starting width instead of pushing the last into an overflow menu.
      button->setFont(PixelFont(QStringLiteral("Tahoma"), 10));
    } else {
      button->setToolButtonStyle(Qt::ToolButtonIconOnly);
      button->setFixedWidth(39);
    }
    ToolBar->addWidget(button);
  };
  add(aAddFile, "tbAddFile", true);
  add(aAddDir, "tbAddDir", true);
  add(aDeleteFiles, "tbRemoveFiles", true);
  ToolBar->addSeparator();
  add(aStart, "tbStart", false);
  add(aStop, "tbStop", false);
  ToolBar->addSeparator();
  add(aNewTransform, "tbNewMod", false);
  add(aEditTransform, "tbEditMod", false);
  add(aDeleteTransform, "tbRemoveMod", false);
  ToolBar->addSeparator();
  add(aOptions, "ToolButton2", false);
  layout->addWidget(ToolBar, 1);
}

void TMainForm::BuildMain(QWidget* AMain) {
  auto* layout = new QVBoxLayout(AMain);
  layout->setContentsMargins(20, 10, 20, 20);
  layout->setSpacing(0);

  auto* paMod = new QWidget(AMain);
  paMod->setObjectName(QStringLiteral("paMod"));
  paMod->setFixedHeight(33);
  // The two frames share one place; SwitchProcess shows one of them.
  auto* stack = new QGridLayout(paMod);
  stack->setContentsMargins(0, 0, 0, 0);
  FTransformFrame = new QWidget(paMod);
  FTransformFrame->setObjectName(QStringLiteral("TransformFrame"));
  auto* chooser = new QHBoxLayout(FTransformFrame);
  chooser->setContentsMargins(0, 0, 0, 6);
  auto* stModification = new QLabel(QStringLiteral("Transformation"), FTransformFrame);
  stModification->setObjectName(QStringLiteral("stModification"));
  cbMod = new QComboBox(FTransformFrame);
  cbMod->setObjectName(QStringLiteral("cbMod"));
  cbMod->setEditable(false);
  cbMod->setFixedWidth(252);
  chooser->addWidget(stModification);
  chooser->addSpacing(8);
  chooser->addWidget(cbMod);
  chooser->addStretch(1);
  FProgressFrame = new QWidget(paMod);
  FProgressFrame->setObjectName(QStringLiteral("ProgressFrame"));
  auto* progress = new QHBoxLayout(FProgressFrame);
  progress->setContentsMargins(0, 4, 0, 10);
  pbProgress = new QProgressBar(FProgressFrame);
  pbProgress->setObjectName(QStringLiteral("pbProgress"));
  pbProgress->setTextVisible(false);
  pbProgress->setValue(0);
  progress->addWidget(pbProgress);
  stack->addWidget(FTransformFrame, 0, 0);
  stack->addWidget(FProgressFrame, 0, 0);
  FProgressFrame->setVisible(false);
  layout->addWidget(paMod);

  lvFiles = new TFilesTree(AMain);
  lvFiles->setObjectName(QStringLiteral("lvFiles"));
  lvFiles->setMinimumHeight(20);
  lvFiles->setColumnCount(5);
  lvFiles->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Status"), QStringLiteral("Size"),
                            QStringLiteral("Format"), QStringLiteral("Path")});
  lvFiles->setRootIsDecorated(false);
  lvFiles->setItemsExpandable(false);
  // Ten thousand status updates cost a second without this and a twentieth with it.
  lvFiles->setUniformRowHeights(true);
  lvFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvFiles->setIconSize(QSize(16, 16));
  lvFiles->setAllColumnsShowFocus(true);
  const int widths[4] = {200, 100, 80, 70};
  for (int i = 0; i < 4; ++i) lvFiles->setColumnWidth(i, widths[i]);
  lvFiles->header()->setStretchLastSection(true);
  lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
  lvFiles->installEventFilter(this);
  layout->addWidget(lvFiles, 1);

  mmFilesPopup = new QMenu(lvFiles);
  mmFilesPopup->setObjectName(QStringLiteral("mmFilesPopup"));
  QAction* open = mmFilesPopup->addAction(QStringLiteral("Open"));
  connect(open, &QAction::triggered, aOpenFile, &QAction::trigger);
  connect(aOpenFile, &QAction::changed, open, [open, this] { open->setEnabled(aOpenFile->isEnabled()); });
  mmFilesPopup->addSeparator();
  mmFilesPopup->addAction(aSelectAll);
  mmFilesPopup->addAction(aDeselect);
  mmFilesPopup->addAction(aInvertSelection);
  QMenu* same = mmFilesPopup->addMenu(QStringLiteral("Select Same"));
  const std::pair<const char*, int> columns[4] = {{"File", 0}, {"Status", 1}, {"Format", 3}, {"Path", 4}};
  for (const auto& [caption, column] : columns) {
    QAction* entry = same->addAction(QString::fromUtf8(caption));
    const int c = column;
    connect(entry, &QAction::triggered, this, [this, c] { SelectSame(c); });
  }
  mmFilesPopup->addSeparator();
  mmFilesPopup->addAction(aDeleteFiles);
  connect(lvFiles, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& AAt) { mmFilesPopup->popup(lvFiles->viewport()->mapToGlobal(AAt)); });
  connect(lvFiles, &QTreeWidget::itemDoubleClicked, aOpenFile, &QAction::trigger);
  connect(aSelectAll, &QAction::triggered, lvFiles, [this] {
    auto update = common::UpdateScope(FFiles.get());
    lvFiles->selectAll();
  });
  connect(aDeselect, &QAction::triggered, lvFiles, [this] {
    auto update = common::UpdateScope(FFiles.get());
    lvFiles->clearSelection();
  });
  connect(aInvertSelection, &QAction::triggered, this, [this] { InvertSelection(); });

  paBottom = new QWidget(AMain);
  paBottom->setObjectName(QStringLiteral("paBottom"));
  paBottom->setMinimumHeight(MinimumDetails);
  BuildDetails(paBottom);
  paBottom->installEventFilter(this);
  layout->addWidget(paBottom);
}

void TMainForm::BuildDetails(QWidget* APane) {
  auto* layout = new QVBoxLayout(APane);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* title = new QWidget(APane);
  title->setObjectName(QStringLiteral("paDetailsTitle"));
  title->setFixedHeight(CollapsedDetails);
  DetailsIcon = new QLabel(title);
  DetailsIcon->setObjectName(QStringLiteral("DetailsIcon"));
  DetailsIcon->setGeometry(9, 5, 12, 12);
  DetailsIcon->setAlignment(Qt::AlignCenter);
  DetailsIcon->setCursor(Qt::PointingHandCursor);
  DetailsIcon->installEventFilter(this);
  lbDetails = new QLabel(QStringLiteral("Details"), title);
  lbDetails->setObjectName(QStringLiteral("lbDetails"));
  lbDetails->move(24, 4);
  lbDetails->adjustSize();
  lbDetails->setCursor(Qt::PointingHandCursor);
  lbDetails->installEventFilter(this);
  auto* grip = new TDetailsGrip(APane, title);
  grip->setObjectName(QStringLiteral("DetailsGrip"));
  grip->OnDoubleClick = [this] { ToggleDetails(); };
  // The grip stretches with the strip: from x 104 to 19 pixels before a 611 wide window's edge.
  auto* stretch = new QHBoxLayout(title);
  stretch->setContentsMargins(104, 1, 83, 5);
  stretch->addWidget(grip);
  grip->setMinimumHeight(18);
  layout->addWidget(title);
  paDetails = new QWidget(APane);
  paDetails->setObjectName(QStringLiteral("paDetails"));
  auto* inner = new QVBoxLayout(paDetails);
  inner->setContentsMargins(0, 0, 0, 0);
  mmDetails = new QPlainTextEdit(paDetails);
  mmDetails->setObjectName(QStringLiteral("mmDetails"));
  mmDetails->setReadOnly(true);
  mmDetails->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmDetails->setLineWrapMode(QPlainTextEdit::NoWrap);
  inner->addWidget(mmDetails);
  layout->addWidget(paDetails, 1);
}

void TMainForm::BuildFooter(QWidget* AFooter) {
  auto* layout = new QHBoxLayout(AFooter);
  layout->setContentsMargins(8, 0, 8, 0);
  layout->setSpacing(8);
  QPalette white = AFooter->palette();
  white.setColor(QPalette::WindowText, Qt::white);
  lbStatus = new THtmlLabel(AFooter);
  lbStatus->setObjectName(QStringLiteral("lbStatus"));
  lbStatus->setPalette(white);
  lbStatus->setFont(PixelFont(QStringLiteral("Arial"), 12));
  lbStatus->SetTransparent(true);
  lbStatus->SetWordBreak(true);
  lbStatus->SetAutoHeight(false);
  lbStatus->SetAutoWidth(false);
  lbStatus->setMinimumWidth(100);
  lbStatus->resize(433, 20);
  lbStatus->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  lbStatus->setFixedHeight(16);
  layout->addWidget(lbStatus, 1, Qt::AlignVCenter);
  lbSiteLink = new THtmlLabel(AFooter);
  lbSiteLink->setObjectName(QStringLiteral("lbSiteLink"));
  lbSiteLink->setPalette(white);
  lbSiteLink->setFont(PixelFont(QStringLiteral("Segoe UI"), 11));
  lbSiteLink->SetTransparent(true);
  lbSiteLink->SetWordBreak(false);
  lbSiteLink->SetAutoWidth(true);
  lbSiteLink->SetAutoHeight(true);
  // Light text on the dark bar; the link keeps its underline but not the default blue, which is
  // unreadable there.
  lbSiteLink->SetCaption(
      u"<font color=\"$f0e4dc\">How Tessarine works: <a href=\"site\"><font color=\"$ffd9a6\">user "
      u"guide</font></a></font>");
  lbSiteLink->SetOnLinkClick([this](const std::u16string& ALink) { OpenSite(ALink); });
  layout->addWidget(lbSiteLink, 0, Qt::AlignRight | Qt::AlignVCenter);
}

void TMainForm::SetOnDrop(TFilesTree::TDropEvent AHandler) { lvFiles->SetOnDrop(std::move(AHandler)); }

void TMainForm::OpenSite(const std::u16string&) {
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(SitePage())))
    Status()->SetText(u"The user guide could not be opened.");
}

common::IDTable* TMainForm::Files() { return FFiles.get(); }
common::IDFileDialog* TMainForm::OpenFile() { return FOpen.get(); }
common::IDDirDialog* TMainForm::OpenDir() { return FOpenDir.get(); }
common::IDText* TMainForm::Status() { return FStatus.get(); }
common::IDList* TMainForm::Transforms() { return FWrapper->DList(cbMod); }
common::IDLog* TMainForm::Log() { return FWrapper->DLog(mmDetails); }
common::IDAction* TMainForm::AddFiles() { return FWrapper->DAction(aAddFile); }
common::IDAction* TMainForm::AddDir() { return FWrapper->DAction(aAddDir); }
common::IDAction* TMainForm::RemoveFiles() { return FWrapper->DAction(aDeleteFiles); }
common::IDAction* TMainForm::AddTransform() { return FWrapper->DAction(aNewTransform); }
common::IDAction* TMainForm::EditTransform() { return FWrapper->DAction(aEditTransform); }
common::IDAction* TMainForm::RemoveTransform() { return FWrapper->DAction(aDeleteTransform); }
common::IDAction* TMainForm::Preferences() { return FWrapper->DAction(aOptions); }
common::IDAction* TMainForm::Start() { return FWrapper->DAction(aStart); }
common::IDAction* TMainForm::Stop() { return FWrapper->DAction(aStop); }
common::IDProgress* TMainForm::Progress() { return FWrapper->DProgress(pbProgress); }

void TMainForm::SwitchProcess(bool AExecuting) {
  FTransformFrame->setVisible(!AExecuting);
  FProgressFrame->setVisible(AExecuting);
}

int TMainForm::DetailsHeight() const { return paBottom->maximumHeight(); }

void TMainForm::SetDetailsHeight(int AHeight) {
  paBottom->setFixedHeight(std::max(MinimumDetails, AHeight));
  DetailsResized();
}

void TMainForm::ToggleDetails() { SetDetailsHeight(DetailsHeight() <= CollapsedDetails ? OpenDetails : FoldedDetails); }

void TMainForm::DetailsResized() {
  const int index = DetailsHeight() > CollapsedDetails ? 1 : 0;
  paDetails->setVisible(index == 1);
  if (index == FDetailsIconIndex) return;
  FDetailsIconIndex = index;
  DetailsIcon->setPixmap(DetailsPicture(index));
}

void TMainForm::InvertSelection() {
  auto update = common::UpdateScope(FFiles.get());
  for (int i = 0; i < lvFiles->topLevelItemCount(); ++i) {
    QTreeWidgetItem* entry = lvFiles->topLevelItem(i);
    entry->setSelected(!entry->isSelected());
  }
}

void TMainForm::SelectSame(int AColumn) {
  QTreeWidgetItem* first = nullptr;
  for (int i = 0; i < lvFiles->topLevelItemCount() && !first; ++i)
    if (lvFiles->topLevelItem(i)->isSelected()) first = lvFiles->topLevelItem(i);
  if (!first) return;
  const QString text = first->text(AColumn);
  if (text.isEmpty()) return;
  auto update = common::UpdateScope(FFiles.get());
  for (int i = 0; i < lvFiles->topLevelItemCount(); ++i) {
    QTreeWidgetItem* entry = lvFiles->topLevelItem(i);
    const bool same = entry->text(AColumn) == text;
    if (entry->isSelected() != same) entry->setSelected(same);
  }
}

void TMainForm::closeEvent(QCloseEvent* AEvent) {
  // Closing is never refused; Stop lets the file in progress finish first.
  Command(&app::IMainC::Stop);
  AEvent->accept();
}

bool TMainForm::eventFilter(QObject* AWatched, QEvent* AEvent) {
  if (AWatched == lvFiles && AEvent->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(AEvent);
    const Qt::KeyboardModifiers modifiers =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (key->key() == Qt::Key_Delete) {
      aDeleteFiles->trigger();
      return true;
    }
    if (key->key() == Qt::Key_A && modifiers & Qt::ControlModifier) {
      // Only Ctrl alone selects everything; the table's own Ctrl+A handling is not used, so
      // Ctrl+Shift+A does nothing.
      if (modifiers == Qt::ControlModifier) aSelectAll->trigger();
      return true;
    }
  } else if (AWatched == paBottom && AEvent->type() == QEvent::Resize) {
    DetailsResized();
  } else if ((AWatched == DetailsIcon || AWatched == lbDetails) && AEvent->type() == QEvent::MouseButtonPress) {
    ToggleDetails();
    return true;
  }
  return QWidget::eventFilter(AWatched, AEvent);
}

}  // namespace tess::gui
