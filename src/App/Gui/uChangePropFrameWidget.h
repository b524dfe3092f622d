// The frame of a change-property action, which marks value texts that are not form text.
#pragma once

#include <QColor>

#include "App/Gui/uActionFrame.h"
#include "App/uChangePropFrame.h"

class QLabel;

namespace tess::gui {

class TChangePropFrame : public TControlledFrame<app::IChangeProp, app::IChangePropC> {
public:
  explicit TChangePropFrame(QWidget* AParent = nullptr);
  // Stops watching the memos before they go.
  ~TChangePropFrame() override;

  common::IDText* NewPropName() override { return Wrap().DText(edNewPropName); }
  common::IDText* OldPropName() override { return Wrap().DText(edOldPropName); }
  common::IDText* OldPropValue() override { return Wrap().DText(mmOldPropValue); }
  common::IDText* NewPropValue() override { return Wrap().DText(mmNewPropValue); }
  common::IDText* ObjectName() override { return Wrap().DText(edObjName); }
  common::IDText* ObjectClass() override { return Wrap().DText(edObjClass); }

  // The value check run when the user leaves either memo: the memo left turns red when its
  // text is not a value, and the notice shows while either memo holds one that is not.
  void CheckValueOf(QPlainTextEdit* AMemo);

  QLineEdit* edOldPropName;
  QPlainTextEdit* mmOldPropValue;
  QLineEdit* edNewPropName;
  QPlainTextEdit* mmNewPropValue;
  QLineEdit* edObjName;
  QLineEdit* edObjClass;
  QLabel* stValid;

  bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
  // Without a controller nothing can be judged, and nothing is marked.
  bool ValueValid(QPlainTextEdit* AMemo);
};

}  // namespace tess::gui
