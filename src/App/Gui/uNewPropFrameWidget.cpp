// The new-property frame: name, value and overwrite choice, then the objects it is added to.
#include "App/Gui/uNewPropFrameWidget.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace tess::gui {

TNewPropFrame::TNewPropFrame(QWidget* AParent) : TControlledFrame(AParent) {
  edNewPropName = AddEdit(QStringLiteral("New property name"), QStringLiteral("Same name"));
  mmNewPropValue = AddMemo(QStringLiteral("New property value"));
  chOverwrite = AddCheckBox(QStringLiteral("Overwrite if exist"));
  AddSeparator();
  edObjName = AddEdit(QStringLiteral("Object name"), QStringLiteral("All object names"));
  edObjClass = AddEdit(QStringLiteral("Object class"), QStringLiteral("All object classes"));
  AddStretch();
}

}  // namespace tess::gui
