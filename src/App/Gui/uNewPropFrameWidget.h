// The frame of a new-property action: the property to add and the objects it goes to.
#pragma once

#include <utility>

#include "App/Gui/uActionFrame.h"
#include "App/uNewPropFrame.h"

namespace tess::gui {

class TNewPropFrame : public TActionFrame, public app::INewProp {
public:
  explicit TNewPropFrame(QWidget* AParent = nullptr);
  // Tells a controller still attached to let go of the frame first.
  ~TNewPropFrame() override;

  void SetController(app::INewPropC* AController) { FController = AController; }
  app::INewPropC* Controller() const { return FController; }

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
  void Finalize() override { FController = nullptr; }

protected:
  void FieldChanged() override;

private:
  app::INewPropC* FController = nullptr;
};

}  // namespace tess::gui
