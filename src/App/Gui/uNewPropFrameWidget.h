// The frame of a new-property action: the property to add and the objects it goes to.
#pragma once

#include "App/Gui/uActionFrame.h"
#include "App/uNewPropFrame.h"

namespace tess::gui {

class TNewPropFrame : public TControlledFrame<app::INewProp, app::INewPropC> {
public:
  explicit TNewPropFrame(QWidget* AParent = nullptr);

  common::IDText* NewPropName() override { return Wrap().DText(edNewPropName); }
  common::IDText* NewPropValue() override { return Wrap().DText(mmNewPropValue); }
  common::IDText* ObjectName() override { return Wrap().DText(edObjName); }
  common::IDText* ObjectClass() override { return Wrap().DText(edObjClass); }
  common::IDCondition* Overwrite() override { return Wrap().DCondition(chOverwrite); }

  QLineEdit* edNewPropName;
  QPlainTextEdit* mmNewPropValue;
  QCheckBox* chOverwrite;
  QLineEdit* edObjName;
  QLineEdit* edObjClass;
};

}  // namespace tess::gui
