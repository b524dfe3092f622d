// The change-property frame and its red mark on value texts that are not form text.
#include "App/Gui/uChangePropFrameWidget.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>


namespace tess::gui {

TChangePropFrame::TChangePropFrame(QWidget* AParent) : TControlledFrame(AParent) {
  edOldPropName = AddEdit(QStringLiteral("Old property name"), QStringLiteral("All properties"));
  mmOldPropValue = AddMemo(QStringLiteral("Old property value"));
  edNewPropName = AddEdit(QStringLiteral("New property name"), QStringLiteral("Same name"));
  mmNewPropValue = AddMemo(QStringLiteral("New property value"));
  AddSeparator();
  edObjName = AddEdit(QStringLiteral("Object name"), QStringLiteral("All object names"));
  edObjClass = AddEdit(QStringLiteral("Object class"), QStringLiteral("All object classes"));
  AddStretch();
  stValid = new QLabel(QStringLiteral("* value format incorrect"), this);
  QPalette red = stValid->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  stValid->setPalette(red);
  stValid->hide();
  Grid()->addWidget(stValid, Grid()->rowCount(), 0, 1, 2, Qt::AlignRight | Qt::AlignBottom);
  mmOldPropValue->installEventFilter(this);
  mmNewPropValue->installEventFilter(this);
}

TChangePropFrame::~TChangePropFrame() {
  // A memo that has the focus loses it while it is deleted; that is no leaving to check.
  mmOldPropValue->removeEventFilter(this);
  mmNewPropValue->removeEventFilter(this);
}

bool TChangePropFrame::eventFilter(QObject* AWatched, QEvent* AEvent) {
  if (AEvent->type() == QEvent::FocusOut && (AWatched == mmOldPropValue || AWatched == mmNewPropValue))
    CheckValueOf(static_cast<QPlainTextEdit*>(AWatched));
  return TActionFrame::eventFilter(AWatched, AEvent);
}

bool TChangePropFrame::ValueValid(QPlainTextEdit* AMemo) {
  return FController == nullptr || FController->CheckValue(Wrap().DText(AMemo));
}

void TChangePropFrame::CheckValueOf(QPlainTextEdit* AMemo) {
  if (ValueValid(AMemo)) {
    // An empty palette resolves nothing of its own: the memo follows the frame again.
    AMemo->setPalette(QPalette());
  } else {
    QPalette marked = AMemo->palette();
    marked.setColor(QPalette::Text, Qt::red);
    AMemo->setPalette(marked);
  }
  stValid->setVisible(!ValueValid(mmOldPropValue) || !ValueValid(mmNewPropValue));
}

}  // namespace tess::gui
