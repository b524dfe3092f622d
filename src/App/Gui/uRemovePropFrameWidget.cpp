// The remove-property frame: three selectors, each empty meaning "all".
#include "App/Gui/uRemovePropFrameWidget.h"

#include <QLineEdit>

namespace tess::gui {

TRemovePropFrame::TRemovePropFrame(QWidget* AParent) : TControlledFrame(AParent) {
  // A stored action must name what it removes: an empty name would remove every property.
  edPropName = AddEdit(QStringLiteral("Property name"), QStringLiteral("Property to remove"));
  edObjName = AddEdit(QStringLiteral("Object name"), QStringLiteral("All object names"));
  edObjClass = AddEdit(QStringLiteral("Object class"), QStringLiteral("All object classes"));
  AddStretch();
  setMinimumHeight(78);
}

}  // namespace tess::gui
