// The frame of a change-object action: the objects to match and their new name and class.
#pragma once

#include "App/Gui/uActionFrame.h"
#include "App/uChangeObjectFrame.h"

namespace tess::gui {

class TChangeObjectFrame : public TControlledFrame<app::IChangeObject, app::IChangeObjectC> {
public:
  explicit TChangeObjectFrame(QWidget* AParent = nullptr);

  common::IDText* OldObjectName() override { return Wrap().DText(edOldObjName); }
  common::IDText* OldObjectClass() override { return Wrap().DText(edOldObjClass); }
  common::IDText* NewObjectName() override { return Wrap().DText(edNewObjName); }
  common::IDText* NewObjectClass() override { return Wrap().DText(edNewObjClass); }

  QLineEdit* edOldObjName;
  QLineEdit* edOldObjClass;
  QLineEdit* edNewObjName;
  QLineEdit* edNewObjClass;
};

}  // namespace tess::gui
