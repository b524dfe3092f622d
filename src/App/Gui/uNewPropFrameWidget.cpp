// The new-property frame: name, value and overwrite choice, then the objects it is added to.
#include "App/Gui/uNewPropFrameWidget.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace tess::gui {

TNewPropFrame::TNewPropFrame(QWidget* AParent) : TActionFrame(AParent) {
  edNewPropName = AddEdit(QStringLiteral("New property name"), QStringLiteral("Same name"));
  mmNewPropValue = AddMemo(QStringLiteral("New property value"));
  chOverwrite = AddCheckBox(QStringLiteral("Overwrite if exist"));
  AddSeparator();
  edObjName = AddEdit(QStringLiteral("Object name"), QStringLiteral("All object names"));
  edObjClass = AddEdit(QStringLiteral("Object class"), QStringLiteral("All object classes"));
  AddStretch();
}

TNewPropFrame::~TNewPropFrame() {
  if (app::INewPropC* controller = std::exchange(FController, nullptr)) controller->Finalize();
}

void TNewPropFrame::FieldChanged() {
  if (FController != nullptr) FController->Update();
}

}  // namespace tess::gui
