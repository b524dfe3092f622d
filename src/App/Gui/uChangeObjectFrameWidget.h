// The frame of a change-object action: the objects to match and their new name and class.
#pragma once

#include <utility>

#include "App/Gui/uActionFrame.h"
#include "App/uChangeObjectFrame.h"

namespace tess::gui {

class TChangeObjectFrame : public TActionFrame, public app::IChangeObject {
public:
  explicit TChangeObjectFrame(QWidget* AParent = nullptr);
  // Tells a controller still attached to let go of the frame first.
  ~TChangeObjectFrame() override;

  void SetController(app::IChangeObjectC* AController) { FController = AController; }
  app::IChangeObjectC* Controller() const { return FController; }

  common::IDText* OldObjectName() override { return Wrap().DText(edOldObjName); }
  common::IDText* OldObjectClass() override { return Wrap().DText(edOldObjClass); }
  common::IDText* NewObjectName() override { return Wrap().DText(edNewObjName); }
  common::IDText* NewObjectClass() override { return Wrap().DText(edNewObjClass); }

  QLineEdit* edOldObjName;
  QLineEdit* edOldObjClass;
  QLineEdit* edNewObjName;
  QLineEdit* edNewObjClass;
  void Finalize() override { FController = nullptr; }

protected:
  void FieldChanged() override;

private:
  app::IChangeObjectC* FController = nullptr;
};

}  // namespace tess::gui
