// The layout and change wiring shared by the action frames.
#include "App/Gui/uActionFrame.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

// Outside any namespace: the macro declares the resource's registration function.
static void InitDialogResources() { Q_INIT_RESOURCE(dialogs); }

namespace tess::gui {

void InitDialogImages() {
  static const bool done = (InitDialogResources(), true);
  (void)done;
}

TActionFrame::TActionFrame(QWidget* AParent)
    : QWidget(AParent), FGrid(new QGridLayout(this)), FWrap(CreateVCLWrapper()) {
  FGrid->setContentsMargins(8, 8, 8, 8);
  FGrid->setHorizontalSpacing(8);
  FGrid->setVerticalSpacing(4);
  FGrid->setColumnStretch(1, 1);
}

// The wrappers go before the widgets they wrap (the base class deletes the children later).
TActionFrame::~TActionFrame() {
  FDying = true;
  FWrap.reset();
}

void TActionFrame::Changed() {
  if (!FDying) FieldChanged();
}

QLineEdit* TActionFrame::AddEdit(const QString& ALabel, const QString& AHint) {
  const int row = FGrid->rowCount();
  auto* label = new QLabel(ALabel, this);
  auto* edit = new QLineEdit(this);
  edit->setPlaceholderText(AHint);
  label->setBuddy(edit);
  FGrid->addWidget(label, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
  FGrid->addWidget(edit, row, 1);
  connect(edit, &QLineEdit::textChanged, this, [this] { Changed(); });
  return edit;
}

QPlainTextEdit* TActionFrame::AddMemo(const QString& ALabel) {
  const int row = FGrid->rowCount();
  auto* label = new QLabel(ALabel, this);
  auto* memo = new QPlainTextEdit(this);
  memo->setFixedHeight(55);
  memo->setTabChangesFocus(true);
  label->setBuddy(memo);
  FGrid->addWidget(label, row, 0, Qt::AlignLeft | Qt::AlignTop);
  FGrid->addWidget(memo, row, 1);
  connect(memo, &QPlainTextEdit::textChanged, this, [this] { Changed(); });
  return memo;
}

QCheckBox* TActionFrame::AddCheckBox(const QString& ACaption) {
  auto* check = new QCheckBox(ACaption, this);
  FGrid->addWidget(check, FGrid->rowCount(), 1);
  // Clicks only, as the user makes them; the controller loading the box is not an edit.
  connect(check, &QCheckBox::clicked, this, [this] { Changed(); });
  return check;
}

void TActionFrame::AddSeparator() {
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  FGrid->addWidget(line, FGrid->rowCount(), 0, 1, 2);
}

void TActionFrame::AddStretch() { FGrid->setRowStretch(FGrid->rowCount(), 1); }

}  // namespace tess::gui
