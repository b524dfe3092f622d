// The main window's controller: the file and run commands, the background work and the commands' enabled states.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "App/uMainForm.h"
#include "Batch/uDFMBackup.h"
#include "Batch/uFilesC.h"
#include "Shared/Common/uDObject.h"
#include "Shared/Tasks/uTask.h"
#include "Transformations/uTransform.h"

namespace tess::transform {
class TTransformList;
}

namespace tess::app {

class TDFMApp;
class TDFMSettings;

// The transformations the chooser offers, in chooser order. None owned.
using TTransformSource = std::function<std::vector<transform::TTransform*>()>;

// Runs on the user-interface thread only. At most one folder scan or batch run (FTask) and one
// format inspection (FInspector) run at a time; the inspection is not counted as busy.
class TMainC : public common::TDObject, public IMainC {
public:
  // ASource null offers the process-wide transformation list; APlacement and ASettings null run
  // through the application object's output placement and preferences.
  explicit TMainC(TTransformSource ASource = {}, batch::TDFMBackup* APlacement = nullptr,
                  const TDFMSettings* ASettings = nullptr);
  // Stops and waits for any work still running before the queue it reads goes away.
  ~TMainC() override;

  // Null detaches. Attaching hands the file table to the file list, fills the chooser and sets
  // the commands' states.
  void AttachView(IMain* AView);

  void AddFile() override;
  void AddDir() override;
  void RemoveFiles() override;
  // A failure to start the editor is written to the log.
  void OpenFile() override;
  // The transformation commands open the editor (NewTransform, EditTransform) or ask before
  // deleting (RemoveTransform), then store the result through the transformation list. A file
  // that cannot be written or deleted is reported in a warning and the command ends there.
  void NewTransform() override;
  // Saves the chosen transformation's file again whatever the user chose in the editor.
  void EditTransform() override;
  void RemoveTransform() override;
  void TransformChanged() override;
  // Raises tasks::ETaskError "Task already executed" while a scan or run is in progress.
  void Start() override;
  void Stop() override;
  // The preferences dialog; a settings file that cannot be written is reported in a warning.
  void Options() override;

  // Where the transformation commands add and remove transformations, and whose dialogs they
  // open; null (the default) means the program's own. The list must be the one ASource offers.
  void SetTransformList(transform::TTransformList* AList) { FTransformList = AList; }
  void SetApplication(TDFMApp* AApp) { FApp = AApp; }

  void RefreshActions();
  // Rebuilds the chooser, keeping the current transformation chosen when it is still offered.
  void FillTransforms();
  void SelectTransform(transform::TTransform* ATransform);
  transform::TTransform* CurrentTransform() const;
  // Raises tasks::ETaskError "Task already executed" while a scan or run is in progress.
  void StartScan(const common::TFilePath& APath);
  void StartInspector();

  batch::TFilesC& Files() const { return *FFiles; }
  batch::TFileStack& FileStack() const { return *FFileStack; }
  bool Idle() const { return FTask == nullptr; }
  bool Inspecting() const { return FInspector != nullptr; }

private:
  void StopTask(std::unique_ptr<tasks::TTask>& ATask);
  void TaskFinished(tasks::TTask* ASender);
  void InspectorFinished(tasks::TTask* ASender);
  void TransformMessage(const std::u16string& AMessage);
  std::unique_ptr<tasks::TTask> NewTask(void (TMainC::*AFinished)(tasks::TTask*));
  void ReleaseRunning();
  transform::TTransformList& TransformList() const;
  TDFMApp& Application() const;
  batch::TDFMBackup& Placement() const;
  const TDFMSettings& Settings() const;

  IMain* FForm = nullptr;
  std::unique_ptr<batch::TFilesC> FFiles;
  std::unique_ptr<tasks::TTask> FTask;
  std::unique_ptr<tasks::TTask> FInspector;
  std::unique_ptr<batch::TFileStack> FFileStack;
  TTransformSource FSource;
  batch::TDFMBackup* FPlacement;
  const TDFMSettings* FSettings;
  // The transformation of the run in progress, whose messages come here.
  transform::TTransform* FRunning = nullptr;
  transform::TTransformList* FTransformList = nullptr;
  TDFMApp* FApp = nullptr;
};

}  // namespace tess::app
