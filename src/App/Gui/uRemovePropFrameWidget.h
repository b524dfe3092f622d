// The frame of a remove-property action: which property, on which objects.
#pragma once

#include <utility>

#include "App/Gui/uActionFrame.h"
#include "App/uRemovePropFrame.h"

namespace tess::gui {

class TRemovePropFrame : public TActionFrame, public app::IRemoveProp {
public:
  explicit TRemovePropFrame(QWidget* AParent = nullptr);
  // Tells a controller still attached to let go of the frame first.
  ~TRemovePropFrame() override;

  void SetController(app::IRemovePropC* AController) { FController = AController; }
  app::IRemovePropC* Controller() const { return FController; }

  common::IDText* PropName() override { return Wrap().DText(edPropName); }
  common::IDText* ObjName() override { return Wrap().DText(edObjName); }
  common::IDText* ObjClass() override { return Wrap().DText(edObjClass); }

  QLineEdit* edPropName;
  QLineEdit* edObjName;
  QLineEdit* edObjClass;
  void Finalize() override { FController = nullptr; }

protected:
  void FieldChanged() override;

private:
  app::IRemovePropC* FController = nullptr;
};

}  // namespace tess::gui
