// An in-memory main window: the fake controls behind IMain, wired to a controller like the real one.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "App/uMainForm.h"
#include "Support/FakeControls.h"

namespace tess::testing {

// The commands enabled while nothing runs, as TFakeMain::EnabledActions lists them: nothing
// chosen, a built-in transformation chosen, a user transformation chosen.
inline const char16_t* const kIdle = u"AddFiles AddDir RemoveFiles AddTransform Preferences";
inline const char16_t* const kIdleChosen = u"AddFiles AddDir RemoveFiles Start AddTransform Preferences";
inline const char16_t* const kIdleEditable =
    u"AddFiles AddDir RemoveFiles Start AddTransform EditTransform RemoveTransform Preferences";

class TFakeMain : public common::TDObject, public app::IMain {
public:
  TFakeMain() { FileDialog.FilterValue = u"Delphi Form Files (*.dfm)|*.dfm|All Files (*.*)|*.*"; }

  common::IDTable* Files() override { return Ask(u"Files"), &Table; }
  common::IDFileDialog* OpenFile() override { return Ask(u"OpenFile"), &FileDialog; }
  common::IDDirDialog* OpenDir() override { return Ask(u"OpenDir"), &DirDialog; }
  common::IDText* Status() override { return Ask(u"Status"), &StatusLine; }
  common::IDList* Transforms() override { return Ask(u"Transforms"), &Chooser; }
  common::IDLog* Log() override { return Ask(u"Log"), &Details; }
  common::IDAction* AddFiles() override { return Ask(u"AddFiles"), &AddFilesAction; }
  common::IDAction* AddDir() override { return Ask(u"AddDir"), &AddDirAction; }
  common::IDAction* RemoveFiles() override { return Ask(u"RemoveFiles"), &RemoveFilesAction; }
  common::IDAction* AddTransform() override { return Ask(u"AddTransform"), &AddTransformAction; }
  common::IDAction* EditTransform() override { return Ask(u"EditTransform"), &EditTransformAction; }
  common::IDAction* RemoveTransform() override { return Ask(u"RemoveTransform"), &RemoveTransformAction; }
  common::IDAction* Preferences() override { return Ask(u"Preferences"), &PreferencesAction; }
  common::IDAction* Start() override { return Ask(u"Start"), &StartAction; }
  common::IDAction* Stop() override { return Ask(u"Stop"), &StopAction; }
  common::IDProgress* Progress() override { return Ask(u"Progress"), &ProgressBar; }
  void SwitchProcess(bool AExecuting) override {
    Context->Touch(u"SwitchProcess", u"SwitchProcess=" + BoolText(AExecuting));
    Executing = AExecuting;
    SwitchHistory.push_back(AExecuting);
  }

  // Routes the commands to the controller as the real window does (null disconnects). The
  // commands run only while enabled, as with the real tool bar.
  void Connect(app::IMainC* AController) {
    FController = AController;
    const auto route = [this](TFakeAction& AAction, void (app::IMainC::*ACommand)()) {
      AAction.OnExecute = [this, ACommand] {
        if (FController != nullptr) (FController->*ACommand)();
      };
    };
    route(AddFilesAction, &app::IMainC::AddFile);
    route(AddDirAction, &app::IMainC::AddDir);
    route(RemoveFilesAction, &app::IMainC::RemoveFiles);
    route(AddTransformAction, &app::IMainC::NewTransform);
    route(EditTransformAction, &app::IMainC::EditTransform);
    route(RemoveTransformAction, &app::IMainC::RemoveTransform);
    route(PreferencesAction, &app::IMainC::Options);
    route(StartAction, &app::IMainC::Start);
    route(StopAction, &app::IMainC::Stop);
    Chooser.OnChange = [this] {
      if (FController != nullptr) FController->TransformChanged();
    };
  }
  // A double click on the file table opens the file, whatever the commands' states.
  void DoubleClickFiles() {
    if (FController != nullptr) FController->OpenFile();
  }
  // Closing the window always stops the work first.
  void Close() {
    if (FController != nullptr) FController->Stop();
  }

  // The commands in the order the tool bar shows them.
  std::vector<std::pair<std::u16string, TFakeAction*>> Actions() {
    return {{u"AddFiles", &AddFilesAction},
            {u"AddDir", &AddDirAction},
            {u"RemoveFiles", &RemoveFilesAction},
            {u"Start", &StartAction},
            {u"Stop", &StopAction},
            {u"AddTransform", &AddTransformAction},
            {u"EditTransform", &EditTransformAction},
            {u"RemoveTransform", &RemoveTransformAction},
            {u"Preferences", &PreferencesAction}};
  }
  // The enabled commands, blank-separated in tool-bar order: one string to compare per state.
  std::u16string EnabledActions() {
    std::u16string result;
    for (const auto& [name, action] : Actions())
      if (action->Value) result += (result.empty() ? u"" : u" ") + name;
    return result;
  }

  TFakeContextPtr Context = std::make_shared<TFakeContext>();
  TFakeTable Table{TFakeTable::FileColumns(), u"Files", Context};
  TFakeFileDialog FileDialog{u"OpenFile", Context};
  TFakeDirDialog DirDialog{Context};
  TFakeText StatusLine{u"Status", Context};
  TFakeList Chooser{u"Transforms", Context};
  TFakeMemo Details{u"Log", Context};
  TFakeAction AddFilesAction{u"AddFiles", Context};
  TFakeAction AddDirAction{u"AddDir", Context};
  TFakeAction RemoveFilesAction{u"RemoveFiles", Context};
  TFakeAction AddTransformAction{u"AddTransform", Context};
  TFakeAction EditTransformAction{u"EditTransform", Context};
  TFakeAction RemoveTransformAction{u"RemoveTransform", Context};
  TFakeAction PreferencesAction{u"Preferences", Context};
  TFakeAction StartAction{u"Start", Context};
  TFakeAction StopAction{u"Stop", Context};
  TFakeProgress ProgressBar{u"Progress", Context};
  bool Executing = false;
  std::vector<bool> SwitchHistory;

private:
  void Ask(std::u16string_view AWhat) { Context->Touch(AWhat); }

  app::IMainC* FController = nullptr;
};

}  // namespace tess::testing
