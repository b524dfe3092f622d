// The change-object frame: old name and class select, new name and class replace.
#include "App/Gui/uChangeObjectFrameWidget.h"

#include <QLineEdit>

namespace tess::gui {

TChangeObjectFrame::TChangeObjectFrame(QWidget* AParent) : TControlledFrame(AParent) {
  edOldObjName = AddEdit(QStringLiteral("Old object name"), QStringLiteral("All object names"));
  edOldObjClass = AddEdit(QStringLiteral("Old object class"), QStringLiteral("All object classes"));
  edNewObjName = AddEdit(QStringLiteral("New object name"), QStringLiteral("Same object name"));
  edNewObjClass = AddEdit(QStringLiteral("New object class"), QStringLiteral("Same object class"));
  AddStretch();
}

}  // namespace tess::gui
