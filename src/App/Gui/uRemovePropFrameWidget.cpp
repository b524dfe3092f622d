// The remove-property frame: three selectors, each empty meaning "all".
#include "App/Gui/uRemovePropFrameWidget.h"

#include <QLineEdit>

namespace tess::gui {

TRemovePropFrame::TRemovePropFrame(QWidget* AParent) : TActionFrame(AParent) {
  // A stored action must name what it removes: an empty name would remove every property.
  edPropName = AddEdit(QStringLiteral("Property name"), QStringLiteral("Property to remove"));
  edObjName = AddEdit(QStringLiteral("Object name"), QStringLiteral("All object names"));
  edObjClass = AddEdit(QStringLiteral("Object class"), QStringLiteral("All object classes"));
  AddStretch();
  setMinimumHeight(78);
}

TRemovePropFrame::~TRemovePropFrame() {
  if (app::IRemovePropC* controller = std::exchange(FController, nullptr)) controller->Finalize();
}

void TRemovePropFrame::FieldChanged() {
  if (FController != nullptr) FController->Update();
}

}  // namespace tess::gui
