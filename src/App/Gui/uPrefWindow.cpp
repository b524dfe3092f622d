// The preferences dialog: keeps the enabling rules between its controls; the rest is the controller's.
#include "App/Gui/uPrefWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "App/Gui/uModal.h"
#include "App/Gui/uPrefNewFrame.h"
#include "App/Gui/uPrefReplaceFrame.h"

namespace tess::gui {

namespace {

// The saving method's frames fill the window down to here; the structure choice and the
// line-break chooser sit below them and serve both methods.
constexpr int kFramesBottom = 235;
constexpr int kMethodStripHeight = 43;

}  // namespace

TPrefForm::TPrefForm() {
  setWindowTitle(QStringLiteral("Preferences"));
  setFixedSize(369, kFramesBottom + 62);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  BuildMethodStrip();
  BuildMethodFrames();
  BuildCommonChoices();
  FWrapper = CreateVCLWrapper();
  FOpenDir = CreateDirDialog(this);
  FReplaceOriginal = std::make_unique<TDComboboxCondition>(cbMethod, 0);
  FSaveNew = std::make_unique<TDComboboxCondition>(cbMethod, 1);
  FConvertedCrLf = std::make_unique<TDComboboxCondition>(cbLineBreak, 0);
  FConvertedLf = std::make_unique<TDComboboxCondition>(cbLineBreak, 1);
  ConnectEnablingRules();
  MethodChanged();
}

void TPrefForm::BuildMethodStrip() {
  Panel1 = new QWidget(this);
  Panel1->setGeometry(0, 0, 369, kMethodStripHeight);
  Panel1->setAutoFillBackground(true);
  QPalette white = Panel1->palette();
  white.setColor(QPalette::Window, Qt::white);
  Panel1->setPalette(white);
  auto* frame = new QFrame(Panel1);
  frame->setGeometry(0, 0, 369, kMethodStripHeight);
  frame->setFrameShape(QFrame::Box);
  frame->setFrameShadow(QFrame::Sunken);
  Label1 = new QLabel(QStringLiteral("Saving method"), Panel1);
  Label1->setGeometry(16, 8, 89, 21);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  cbMethod = new QComboBox(Panel1);
  cbMethod->setGeometry(120, 8, 233, 23);
  cbMethod->addItems({QStringLiteral("Replace original file"), QStringLiteral("Process to a new file")});
  cbMethod->setCurrentIndex(0);
  Label1->setBuddy(cbMethod);
}

void TPrefForm::BuildMethodFrames() {
  const auto place = [this](QWidget* AFrame) {
    AFrame->setParent(this);
    AFrame->setGeometry(0, kMethodStripHeight, width(), kFramesBottom - kMethodStripHeight);
    AFrame->hide();
  };
  FReplaceFrame = new TPrefReplaceFrame;
  place(FReplaceFrame);
  FReplaceFrame->FOnBrowse = [this](QWidget*) {
    if (FController != nullptr) FController->SetPath();
  };
  FNewFrame = new TPrefNewFrame;
  place(FNewFrame);
  FNewFrame->FOnBrowse = FReplaceFrame->FOnBrowse;
}

void TPrefForm::BuildCommonChoices() {
  chKeepStructure = new QCheckBox(QStringLiteral("Keep the folder structure below an added folder"), this);
  chKeepStructure->setObjectName(QStringLiteral("chKeepStructure"));
  chKeepStructure->setGeometry(16, kFramesBottom + 4, 337, 21);
  lbLineBreak = new QLabel(QStringLiteral("Line breaks of converted text"), this);
  lbLineBreak->setGeometry(16, kFramesBottom + 33, 180, 21);
  cbLineBreak = new QComboBox(this);
  cbLineBreak->setGeometry(200, kFramesBottom + 32, 153, 23);
  cbLineBreak->addItems({QStringLiteral("CR LF (as the IDE)"), QStringLiteral("LF")});
  lbLineBreak->setBuddy(cbLineBreak);
}

void TPrefForm::ConnectEnablingRules() {
  connect(cbMethod, &QComboBox::activated, this, [this] { MethodChanged(); });
  // A check box answers every change of state, a radio button only its becoming checked: the
  // controller's loading goes through the same handlers as the user's clicks.
  connect(FReplaceFrame->chBackup, &QCheckBox::toggled, this, [this] { BackupClicked(); });
  for (QRadioButton* radio : {FReplaceFrame->rbSame, FReplaceFrame->rbSeparate})
    connect(radio, &QRadioButton::toggled, this, [this](bool AChecked) {
      if (AChecked) ReplaceRadioClicked();
    });
  for (QRadioButton* radio : {FNewFrame->rbSame, FNewFrame->rbSeparate})
    connect(radio, &QRadioButton::toggled, this, [this](bool AChecked) {
      if (AChecked) NewRadioClicked();
    });
}

TPrefForm::~TPrefForm() {
  FConvertedLf.reset();
  FConvertedCrLf.reset();
  FSaveNew.reset();
  FReplaceOriginal.reset();
  FOpenDir.reset();
  FWrapper.reset();
}

common::IDCondition* TPrefForm::Backup() { return FWrapper->DCondition(FReplaceFrame->chBackup); }
common::IDCondition* TPrefForm::BackupSameFolder() { return FWrapper->DCondition(FReplaceFrame->rbSame); }
common::IDCondition* TPrefForm::BackupSeparateFolder() { return FWrapper->DCondition(FReplaceFrame->rbSeparate); }
common::IDText* TPrefForm::BackupFolder() { return FWrapper->DText(FReplaceFrame->edBackupPath); }
common::IDCondition* TPrefForm::OverrideBackup() { return FWrapper->DCondition(FReplaceFrame->chOverride); }
common::IDCondition* TPrefForm::SaveSameFolder() { return FWrapper->DCondition(FNewFrame->rbSame); }
common::IDCondition* TPrefForm::SaveSeparateFolder() { return FWrapper->DCondition(FNewFrame->rbSeparate); }
common::IDText* TPrefForm::SaveFolder() { return FWrapper->DText(FNewFrame->edBackupPath); }
common::IDCondition* TPrefForm::KeepStructure() { return FWrapper->DCondition(chKeepStructure); }

void TPrefForm::MethodChanged() {
  const bool replace = cbMethod->currentIndex() == 0;
  FReplaceFrame->setVisible(replace);
  FNewFrame->setVisible(!replace);
}

void TPrefForm::BackupClicked() {
  TPrefReplaceFrame& frame = *FReplaceFrame;
  const bool backup = frame.chBackup->isChecked();
  frame.gbBackupOptions->setEnabled(backup);
  frame.rbSame->setEnabled(backup);
  frame.rbSeparate->setEnabled(backup);
  frame.chOverride->setEnabled(backup);
  frame.edBackupPath->setEnabled(backup && frame.rbSeparate->isChecked());
}

void TPrefForm::ReplaceRadioClicked() {
  FReplaceFrame->edBackupPath->setEnabled(FReplaceFrame->rbSeparate->isChecked());
}

void TPrefForm::NewRadioClicked() { FNewFrame->edBackupPath->setEnabled(FNewFrame->rbSeparate->isChecked()); }

void TPrefForm::reject() {
  if (FController != nullptr && !FController->CanExit()) return;
  QDialog::reject();
}

app::TModalResult TPrefForm::ShowModal() {
  // There is no OK: every close the controller accepted has stored the settings.
  ExecCentredModal(*this);
  return app::TModalResult::mrOk;
}

}  // namespace tess::gui
