// The transformation editor window: the name, the action list, the frame of the chosen action.
#pragma once

#include <QDialog>

#include <memory>

#include "App/Gui/uVCLControls.h"
#include "App/uDialogs.h"
#include "App/uModForm.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolBar;
class QTreeWidget;
class QVBoxLayout;

namespace tess::gui {

class TModForm : public QDialog, public app::IModForm, public app::IModFormWindow {
public:
  // Without a parent: the caller owns the window and centres it on the window that opened it
  // when it is shown.
  TModForm();
  ~TModForm() override;

  // IModForm
  common::IDTable* Actions() override;
  common::IDList* ActionTypes() override;
  common::IDText* Name() override;
  void EmptyActionType() override;
  app::IRemoveProp* RemoveProperty(app::IRemovePropC* AController) override;
  app::IChangeProp* ChangeProperty(app::IChangePropC* AController) override;
  app::INewProp* NewProperty(app::INewPropC* AController) override;
  app::IChangeObject* ChangeObject(app::IChangeObjectC* AController) override;
  common::IDAction* RemoveCommand() override;
  common::IDAction* MoveUpCommand() override;
  common::IDAction* MoveDownCommand() override;

  // IModFormWindow
  app::IModForm* View() override { return this; }
  void SetController(app::IModFormC* AController) override { FController = AController; }
  app::TModalResult ShowModal() override;

  app::IModFormC* Controller() const { return FController; }
  // Shows AFrame in the host panel in place of the frame shown so far, which is deleted.
  void SetFrame(QWidget* AFrame);
  // The action panel is usable only while an action is selected; disabling it also clears it.
  void SetActionEnabled(bool AEnabled);
  QWidget* Frame() const { return FFrame; }
  // What the host panel says while it holds no frame.
  QString PropsCaption() const;

  QWidget* paName;
  QLabel* stModName;
  QLineEdit* edModName;
  QWidget* paActions;
  QTreeWidget* lvActions;
  QToolBar* CommandBar;
  QAction* NewAction;
  QAction* RemoveAction;
  QAction* aMoveUp;
  QAction* aMoveDown;
  QWidget* paAction;
  QLabel* stActionType;
  QComboBox* cbActionType;
  QWidget* paProps;
  QWidget* paBottom;
  QPushButton* buOk;
  QPushButton* buCancel;

protected:
  void showEvent(QShowEvent* AEvent) override;
  bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
  void BuildNameStrip(QWidget* AStrip);
  void BuildActionList(QWidget* APanel);
  void BuildActionPanel(QWidget* APanel);
  void BuildButtons(QWidget* AStrip);
  void ConnectCommands();
  bool AnActionSelected() const;
  void ActionSelected();
  // After a command on the list: the rebuilt list has no selection, so the panel goes idle.
  void ListCommand(void (app::IModFormC::*ACommand)());
  void OkClicked();

  std::unique_ptr<TDWrapper> FWrapper;
  app::IModFormC* FController = nullptr;
  QWidget* FFrame = nullptr;
  QLabel* FPropsCaption;
  QVBoxLayout* FPropsLayout;
};

}  // namespace tess::gui
