#include "App/uMainC.h"

#include <chrono>
#include <thread>

#include "App/uDFMApp.h"
#include "App/uDialogs.h"
#include "App/uRunSummary.h"
#include "Batch/uFormatInspector.h"
#include "Batch/uRunTransform.h"
#include "Batch/uScanDir.h"
#include "Shared/Common/uException.h"
#include "Shared/Tasks/uDispatcher.h"
#include "Transformations/uBuiltInTransforms.h"
#include "Transformations/uTransformList.h"

namespace tess::app {

using transform::TTransform;

namespace {

std::vector<TTransform*> ListedTransforms() {
  const transform::TTransformList& list = transform::TTransformList::Instance();
  std::vector<TTransform*> result;
  for (int i = 0; i < list.Count(); ++i) result.push_back(list.Items(i));
  return result;
}

}  // namespace

TMainC::TMainC(TTransformSource ASource, batch::TDFMBackup* APlacement, const TDFMSettings* ASettings)
    : FFiles(std::make_unique<batch::TFilesC>()),
      FFileStack(std::make_unique<batch::TFileStack>()),
      FSource(ASource ? std::move(ASource) : TTransformSource(&ListedTransforms)),
      FPlacement(APlacement),
      FSettings(ASettings) {
  FFiles->SetFileStack(FFileStack.get());
}

TMainC::~TMainC() {
  // A task left running would go on reading the queue and the file list after they are freed.
  // Its destructor stops it and waits; its finish then reaches no handler.
  FTask.reset();
  FInspector.reset();
  ReleaseRunning();
}

void TMainC::AttachView(IMain* AView) {
  FForm = AView;
  if (FForm == nullptr) {
    // The table belongs to the window that is going away.
    FFiles->SetTable(nullptr);
    return;
  }
  FFiles->SetTable(FForm->Files());
  FillTransforms();
  RefreshActions();
}

void TMainC::AddFile() {
  if (FForm == nullptr) return;
  if (!FForm->OpenFile()->Execute()) return;
  FFiles->AddFiles(common::FilePaths(FForm->OpenFile()->Files()));
  StartInspector();
}

void TMainC::AddDir() {
  if (FForm == nullptr) return;
  if (FForm->OpenDir()->Execute()) {
    StartScan(common::TFilePath(FForm->OpenDir()->Path()));
    StartInspector();
  }
  RefreshActions();
}

void TMainC::RemoveFiles() { FFiles->RemoveSelected(); }

void TMainC::OpenFile() {
  try {
    FFiles->OpenFile();
  } catch (const common::Exception& error) {
    if (FForm != nullptr) FForm->Log()->Add(error.Message());
  }
}

transform::TTransformList& TMainC::TransformList() const {
  return FTransformList != nullptr ? *FTransformList : transform::TTransformList::Instance();
}

TDFMApp& TMainC::Application() const { return FApp != nullptr ? *FApp : TDFMApp::Instance(); }

batch::TDFMBackup& TMainC::Placement() const { return FPlacement != nullptr ? *FPlacement : Application().Placement(); }

const TDFMSettings& TMainC::Settings() const { return FSettings != nullptr ? *FSettings : Application().Settings(); }

// The commands run from the window's event loop, where an exception would end the program: a
// transformation or settings file that cannot be written is told to the user instead.
void TMainC::NewTransform() {
  try {
    if (std::unique_ptr<TTransform> created = Application().NewTransform()) {
      TTransform* added = TransformList().Add(std::move(created));
      FillTransforms();
      SelectTransform(added);
    }
  } catch (const common::Exception& error) {
    MessageBox().Warning(error.Message());
  }
  RefreshActions();
}

void TMainC::EditTransform() {
  try {
    // Built-in transformations have nothing to edit and no file (the command is disabled for them).
    TTransform* transform = CurrentTransform();
    if (transform != nullptr && transform->Editable()) {
      Application().EditTransform(*transform);
      transform->Save();
      FillTransforms();
    }
  } catch (const common::Exception& error) {
    MessageBox().Warning(error.Message());
  }
  RefreshActions();
}

void TMainC::RemoveTransform() {
  try {
    common::IDList* chooser = FForm == nullptr ? nullptr : FForm->Transforms();
    common::TDGUIItem* item = chooser == nullptr ? nullptr : chooser->Selected();
    TTransform* transform = item == nullptr ? nullptr : item->DataObjectAs<TTransform>();
    // The list keeps the built-ins whatever it is told, so their entries stay too.
    if (transform != nullptr && transform->Editable() && MessageBox().Confirm(u"Completely remove transformation?")) {
      TransformList().Remove(transform);
      chooser->Items().Remove(item);
    }
  } catch (const common::Exception& error) {
    MessageBox().Warning(error.Message());
  }
  RefreshActions();
}

void TMainC::Options() {
  try {
    Application().Options();
  } catch (const common::Exception& error) {
    MessageBox().Warning(error.Message());
  }
}

void TMainC::TransformChanged() { RefreshActions(); }

void TMainC::Start() {
  if (FForm == nullptr) return;
  FForm->Log()->Clear();
  TTransform* transform = CurrentTransform();
  if (transform == nullptr || FFiles->Count() <= 0) return;
  // Replacing a running task would stop it half-way and hand its rows to a second run.
  if (FTask) throw tasks::ETaskError(u"Task already executed");
  FForm->SwitchProcess(true);
  FRunning = transform;
  if (auto* toText = dynamic_cast<transform::TBinToTextTransform*>(transform)) {
    toText->SetLineBreak(Settings().ConvertedLf() ? common::TLineBreak::lbLf : common::TLineBreak::lbCrLf);
  }
  transform->SetOnMessage([this](const std::u16string& AMessage) { TransformMessage(AMessage); });
  FFiles->ResetStatus();
  FTask = NewTask(&TMainC::TaskFinished);
  FTask->Run(new batch::TRunTransform(transform, FFiles.get(), FForm, FFileStack.get(), Placement()));
  StartInspector();
  RefreshActions();
}

void TMainC::Stop() {
  StopTask(FTask);
  StopTask(FInspector);
  if (FForm == nullptr) return;
  FForm->Status()->SetText(u"Process terminated.");
  RefreshActions();
}

TTransform* TMainC::CurrentTransform() const {
  if (FForm == nullptr) return nullptr;
  const common::TDGUIItem* item = FForm->Transforms()->Selected();
  return item == nullptr ? nullptr : item->DataObjectAs<TTransform>();
}

void TMainC::FillTransforms() {
  if (FForm == nullptr) return;
  common::IDList* chooser = FForm->Transforms();
  const common::TDGUIItem* current = chooser->Selected();
  const common::TDDataRef remembered = current == nullptr ? common::TDDataRef() : current->DataObject();
  chooser->Items().Clear();
  for (TTransform* transform : FSource()) {
    common::TDGUIItem& item = chooser->Items().Add();
    item.SetCaption(transform->Caption());
    item.SetDataObject(transform);
  }
  chooser->SetSelected(remembered.Empty() ? nullptr : chooser->Items().FindByData(remembered));
}

void TMainC::SelectTransform(TTransform* ATransform) {
  if (FForm == nullptr) return;
  common::IDList* chooser = FForm->Transforms();
  chooser->SetSelected(ATransform == nullptr ? nullptr : chooser->Items().FindByData(ATransform));
}

void TMainC::RefreshActions() {
  if (FForm == nullptr) return;
  const bool idle = FTask == nullptr;
  const TTransform* transform = CurrentTransform();
  const bool editable = idle && transform != nullptr && transform->Editable();
  FForm->EditTransform()->SetEnabled(editable);
  FForm->RemoveTransform()->SetEnabled(editable);
  FForm->Stop()->SetEnabled(!idle);
  FForm->Start()->SetEnabled(idle && transform != nullptr);
  FForm->AddFiles()->SetEnabled(idle);
  FForm->AddDir()->SetEnabled(idle);
  FForm->RemoveFiles()->SetEnabled(idle);
  FForm->AddTransform()->SetEnabled(idle);
  FForm->Preferences()->SetEnabled(idle);
}

std::unique_ptr<tasks::TTask> TMainC::NewTask(void (TMainC::*AFinished)(tasks::TTask*)) {
  auto task = std::make_unique<tasks::TThreadedTask>();
  task->SetOwnsWorker(true);
  task->SetFreeOnTerminate(false);
  task->SetOnFinish([this, AFinished](tasks::TTask* ASender) { (this->*AFinished)(ASender); });
  return task;
}

void TMainC::StartScan(const common::TFilePath& APath) {
  if (FTask) throw tasks::ETaskError(u"Task already executed");
  FTask = NewTask(&TMainC::TaskFinished);
  FTask->Run(new batch::TScanDir(APath, FFiles.get(), FForm));
}

void TMainC::StartInspector() {
  if (FInspector || FForm == nullptr) return;
  FInspector = NewTask(&TMainC::InspectorFinished);
  FInspector->Run(new batch::TFormatInspector(FForm->Files(), FFileStack.get(), FForm->Log()));
}

void TMainC::StopTask(std::unique_ptr<tasks::TTask>& ATask) {
  if (!ATask) return;
  ATask->Terminate();
  tasks::IUIDispatcher& dispatcher = tasks::UIDispatcher();
  // The finish comes through the message queue and clears the field; waiting must keep
  // processing messages, or a worker blocked on the user-interface thread could never end.
  while (ATask && ATask->Working()) {
    dispatcher.ProcessMessages();
    if (ATask && ATask->Working()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void TMainC::ReleaseRunning() {
  // The transformation outlives this controller in the list; it must not call back into it.
  if (FRunning != nullptr) FRunning->SetOnMessage(nullptr);
  FRunning = nullptr;
}

void TMainC::TaskFinished(tasks::TTask* ASender) {
  if (ASender != FTask.get()) return;
  const bool wasRun = FRunning != nullptr;
  FTask.reset();
  ReleaseRunning();
  if (wasRun && FForm != nullptr) {
    // A stop can overtake the inspection of the files just written: the rows would keep the size
    // and format the files had before.
    RefreshProcessedRows(*FFiles);
    FForm->Log()->Add(OutcomeLine(CountOutcomes(*FFiles)));
  }
  RefreshActions();
  if (FForm != nullptr) FForm->SwitchProcess(false);
}

void TMainC::InspectorFinished(tasks::TTask* ASender) {
  if (ASender != FInspector.get()) return;
  FInspector.reset();
}

void TMainC::TransformMessage(const std::u16string& AMessage) {
  // Called on the batch run's worker thread, or at once when a transformation runs on this one.
  IMain* form = FForm;
  if (form == nullptr) return;
  const std::u16string line = u"  " + AMessage;
  tasks::UIDispatcher().Synchronize([form, &line] { form->Log()->Add(line); });
}

}  // namespace tess::app
