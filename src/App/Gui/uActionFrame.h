// What the four action frames of the transformation editor share: the label column, the input
// column, the grey hints and the frame's own wrapper factory.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

#include <memory>
#include <utility>

#include "App/Gui/uVCLControls.h"

class QGridLayout;

namespace tess::gui {

// The pictures the dialogs ship are compiled into this library; call before the first use.
void InitDialogImages();

class TActionFrame : public QWidget {
public:
  explicit TActionFrame(QWidget* AParent = nullptr);
  ~TActionFrame() override;

  IDWrapper& Wrap() const { return *FWrap; }

protected:
  // Each adds one line under the previous ones: label at the left, the control stretching.
  QLineEdit* AddEdit(const QString& ALabel, const QString& AHint);
  QPlainTextEdit* AddMemo(const QString& ALabel);
  QCheckBox* AddCheckBox(const QString& ACaption);
  void AddSeparator();
  // Pushes everything added so far to the top; what follows sits at the bottom.
  void AddStretch();
  QGridLayout* Grid() const { return FGrid; }
  // Called on every change of an edit, a memo or a check box the frame added.
  virtual void FieldChanged() = 0;

private:
  void Changed();

  QGridLayout* FGrid;
  std::unique_ptr<TDWrapper> FWrap;
  // Set once the frame's own part is gone: children deleted later must not reach it.
  bool FDying = false;
};

// An action frame that is the view (IView) of its controller (IController): every change of a field
// reaches the controller, and a controller still attached when the frame goes is told to let go.
template <class IView, class IController>
class TControlledFrame : public TActionFrame, public IView {
public:
  explicit TControlledFrame(QWidget* AParent) : TActionFrame(AParent) {}
  ~TControlledFrame() override {
    if (IController* controller = std::exchange(FController, nullptr)) controller->Finalize();
  }

  void SetController(IController* AController) { FController = AController; }
  IController* Controller() const { return FController; }
  void Finalize() override { FController = nullptr; }

protected:
  void FieldChanged() override {
    if (FController != nullptr) FController->Update();
  }

  IController* FController = nullptr;
};

}  // namespace tess::gui
