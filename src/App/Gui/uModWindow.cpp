// The transformation editor window, forwarding each user action to the editor controller.
#include "App/Gui/uModWindow.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "App/Gui/uActionFrame.h"
#include "App/Gui/uChangeObjectFrameWidget.h"
#include "App/Gui/uChangePropFrameWidget.h"
#include "App/Gui/uModal.h"
#include "App/Gui/uNewPropFrameWidget.h"
#include "App/Gui/uRemovePropFrameWidget.h"

namespace tess::gui {

namespace {

QFrame* Separator(QWidget* AParent) {
  auto* line = new QFrame(AParent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

TModForm::TModForm() : FWrapper(CreateVCLWrapper()) {
  InitDialogImages();
  setWindowTitle(QStringLiteral("Edit Transformation"));
  setMinimumSize(550, 400);
  resize(540, 376);
  // The minimum wins over the size the window is first given.
  resize(minimumSize().expandedTo(size()));

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);
  paName = new QWidget(this);
  BuildNameStrip(paName);
  root->addWidget(paName);
  auto* middle = new QHBoxLayout;
  middle->setContentsMargins(8, 0, 8, 0);
  middle->setSpacing(8);
  root->addLayout(middle, 1);
  paActions = new QWidget(this);
  BuildActionList(paActions);
  middle->addWidget(paActions, 1);
  paAction = new QWidget(this);
  BuildActionPanel(paAction);
  middle->addWidget(paAction);
  paBottom = new QWidget(this);
  BuildButtons(paBottom);
  root->addWidget(paBottom);

  ConnectCommands();
  EmptyActionType();
  SetActionEnabled(false);
}

void TModForm::BuildNameStrip(QWidget* AStrip) {
  AStrip->setFixedHeight(33);
  auto* layout = new QHBoxLayout(AStrip);
  layout->setContentsMargins(8, 4, 8, 4);
  stModName = new QLabel(QStringLiteral("Transformation name"), AStrip);
  edModName = new QLineEdit(AStrip);
  edModName->setPlaceholderText(QStringLiteral("New Transformation"));
  stModName->setBuddy(edModName);
  layout->addWidget(stModName);
  layout->addWidget(edModName, 1);
}

void TModForm::BuildActionList(QWidget* APanel) {
  auto* layout = new QVBoxLayout(APanel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  lvActions = new QTreeWidget(APanel);
  lvActions->setColumnCount(1);
  lvActions->setHeaderLabels({QStringLiteral("Action")});
  lvActions->setHeaderHidden(true);
  lvActions->header()->setStretchLastSection(true);
  lvActions->setRootIsDecorated(false);
  lvActions->setSelectionMode(QAbstractItemView::SingleSelection);
  lvActions->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvActions->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvActions->viewport()->installEventFilter(this);
  layout->addWidget(lvActions, 1);

  CommandBar = new QToolBar(APanel);
  CommandBar->setIconSize(QSize(16, 16));
  const auto command = [this](const QString& AIcon, const QString& AText) {
    QAction* action = CommandBar->addAction(QIcon(AIcon), AText);
    action->setToolTip(AText);
    return action;
  };
  NewAction = command(QStringLiteral(":/dialogs/new.png"), QStringLiteral("New Action"));
  RemoveAction = command(QStringLiteral(":/dialogs/remove.png"), QStringLiteral("Remove Action"));
  aMoveUp = command(QStringLiteral(":/dialogs/up.png"), QStringLiteral("Move Up"));
  aMoveDown = command(QStringLiteral(":/dialogs/down.png"), QStringLiteral("Move Down"));
  layout->addWidget(CommandBar);
}

void TModForm::BuildActionPanel(QWidget* APanel) {
  APanel->setFixedWidth(339);
  auto* layout = new QVBoxLayout(APanel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  auto* typeLine = new QHBoxLayout;
  typeLine->setContentsMargins(8, 0, 8, 0);
  stActionType = new QLabel(QStringLiteral("Action type"), APanel);
  cbActionType = new QComboBox(APanel);
  cbActionType->setEditable(false);
  stActionType->setBuddy(cbActionType);
  typeLine->addWidget(stActionType);
  typeLine->addWidget(cbActionType, 1);
  layout->addLayout(typeLine);
  layout->addWidget(Separator(APanel));
  paProps = new QWidget(APanel);
  FPropsLayout = new QVBoxLayout(paProps);
  FPropsLayout->setContentsMargins(0, 0, 0, 0);
  FPropsCaption = new QLabel(paProps);
  FPropsCaption->setAlignment(Qt::AlignCenter);
  FPropsLayout->addWidget(FPropsCaption, 1);
  layout->addWidget(paProps, 1);
}

void TModForm::BuildButtons(QWidget* AStrip) {
  AStrip->setFixedHeight(41);
  auto* layout = new QVBoxLayout(AStrip);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Separator(AStrip));
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(8, 0, 8, 6);
  buttons->addStretch(1);
  buOk = new QPushButton(QStringLiteral("OK"), AStrip);
  buCancel = new QPushButton(QStringLiteral("Cancel"), AStrip);
  buttons->addWidget(buOk);
  buttons->addWidget(buCancel);
  layout->addLayout(buttons);
}

void TModForm::ConnectCommands() {
  // The first request decides the wrapper: the list is a table, the chooser a list.
  auto* table = dynamic_cast<TDListView*>(FWrapper->DTable(lvActions));
  table->SetUserSelectItem([this](QTreeWidgetItem*, bool) { ActionSelected(); });
  FWrapper->DList(cbActionType);

  connect(cbActionType, &QComboBox::activated, this, [this] {
    if (FController != nullptr) FController->ActionTypeChanged();
  });
  connect(NewAction, &QAction::triggered, this, [this] { ListCommand(&app::IModFormC::NewAction); });
  connect(RemoveAction, &QAction::triggered, this, [this] { ListCommand(&app::IModFormC::RemoveAction); });
  connect(aMoveUp, &QAction::triggered, this, [this] { ListCommand(&app::IModFormC::MoveUp); });
  connect(aMoveDown, &QAction::triggered, this, [this] { ListCommand(&app::IModFormC::MoveDown); });
  connect(buOk, &QPushButton::clicked, this, [this] { OkClicked(); });
  connect(buCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TModForm::~TModForm() {
  lvActions->viewport()->removeEventFilter(this);
  delete std::exchange(FFrame, nullptr);
  // The wrappers go before their widgets: the list wrapper unhooks itself from the list.
  FWrapper.reset();
}

common::IDTable* TModForm::Actions() { return FWrapper->DTable(lvActions); }
common::IDList* TModForm::ActionTypes() { return FWrapper->DList(cbActionType); }
common::IDText* TModForm::Name() { return FWrapper->DText(edModName); }

void TModForm::EmptyActionType() {
  ActionTypes()->SetSelected(nullptr);
  delete std::exchange(FFrame, nullptr);
  FPropsCaption->setText(QStringLiteral("No action selected"));
  FPropsCaption->show();
}

void TModForm::SetFrame(QWidget* AFrame) {
  FPropsCaption->clear();
  FPropsCaption->hide();
  delete std::exchange(FFrame, AFrame);
  if (AFrame == nullptr) return;
  AFrame->setParent(paProps);
  FPropsLayout->addWidget(AFrame, 1);
  AFrame->show();
}

app::IRemoveProp* TModForm::RemoveProperty(app::IRemovePropC* AController) {
  auto* frame = new TRemovePropFrame;
  SetFrame(frame);
  frame->SetController(AController);
  return frame;
}

app::IChangeProp* TModForm::ChangeProperty(app::IChangePropC* AController) {
  auto* frame = new TChangePropFrame;
  SetFrame(frame);
  frame->SetController(AController);
  return frame;
}

app::INewProp* TModForm::NewProperty(app::INewPropC* AController) {
  auto* frame = new TNewPropFrame;
  SetFrame(frame);
  frame->SetController(AController);
  return frame;
}

app::IChangeObject* TModForm::ChangeObject(app::IChangeObjectC* AController) {
  auto* frame = new TChangeObjectFrame;
  SetFrame(frame);
  frame->SetController(AController);
  return frame;
}

common::IDAction* TModForm::RemoveCommand() { return FWrapper->DAction(RemoveAction); }
common::IDAction* TModForm::MoveUpCommand() { return FWrapper->DAction(aMoveUp); }
common::IDAction* TModForm::MoveDownCommand() { return FWrapper->DAction(aMoveDown); }

QString TModForm::PropsCaption() const {
  return FPropsCaption->isVisible() || FFrame == nullptr ? FPropsCaption->text() : QString();
}

void TModForm::SetActionEnabled(bool AEnabled) {
  paAction->setEnabled(AEnabled);
  stActionType->setEnabled(AEnabled);
  cbActionType->setEnabled(AEnabled);
  if (!AEnabled) EmptyActionType();
}

bool TModForm::AnActionSelected() const {
  // The rows, not the list: while a move of the selection is reported, the list already holds
  // the new entry but the controller has seen only the old one let go.
  return FWrapper->DTable(lvActions)->Rows().FirstSelected() != nullptr;
}

void TModForm::ActionSelected() {
  if (FController != nullptr) FController->ActionChanged();
  SetActionEnabled(AnActionSelected());
}

void TModForm::ListCommand(void (app::IModFormC::*ACommand)()) {
  if (FController != nullptr) (FController->*ACommand)();
  SetActionEnabled(AnActionSelected());
}

void TModForm::OkClicked() {
  if (FController == nullptr) {
    accept();
    return;
  }
  FController->Apply();
  // A refused check keeps the window open with everything as it was; the controller has said why.
  if (FController->Check()) accept();
}

void TModForm::showEvent(QShowEvent* AEvent) {
  QDialog::showEvent(AEvent);
  SetActionEnabled(AnActionSelected());
}

bool TModForm::eventFilter(QObject* AWatched, QEvent* AEvent) {
  // A click below the last entry lets go of the selection, as the user expects of a list.
  if (AWatched == lvActions->viewport() && AEvent->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(AEvent);
    if (lvActions->itemAt(mouse->position().toPoint()) == nullptr) lvActions->clearSelection();
  }
  return QDialog::eventFilter(AWatched, AEvent);
}

app::TModalResult TModForm::ShowModal() {
  return ExecCentredModal(*this) ? app::TModalResult::mrOk : app::TModalResult::mrCancel;
}

}  // namespace tess::gui
