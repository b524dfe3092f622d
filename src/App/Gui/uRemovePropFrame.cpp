// The remove-property frame: three selectors, each empty meaning "all".
#include "App/Gui/uRemovePropFrame.h"

#include <QLineEdit>

namespace tess::gui {

TRemovePropFrame::TRemovePropFrame(QWidget* AParent) : TActionFrame(AParent) {
  edPropName = AddEdit(QStringLiteral("Property name"), QStringLiteral("All properties"));
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
