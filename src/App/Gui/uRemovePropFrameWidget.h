// The frame of a remove-property action: which property, on which objects.
#pragma once

#include "App/Gui/uActionFrame.h"
#include "App/uRemovePropFrame.h"

namespace tess::gui {

class TRemovePropFrame : public TControlledFrame<app::IRemoveProp, app::IRemovePropC> {
public:
  explicit TRemovePropFrame(QWidget* AParent = nullptr);

  common::IDText* PropName() override { return Wrap().DText(edPropName); }
  common::IDText* ObjName() override { return Wrap().DText(edObjName); }
  common::IDText* ObjClass() override { return Wrap().DText(edObjClass); }

  QLineEdit* edPropName;
  QLineEdit* edObjName;
  QLineEdit* edObjClass;
};

}  // namespace tess::gui
