#include "App/uDFMApp.h"

#include <utility>

#include "App/uDialogs.h"
#include "App/uModFormC.h"
#include "App/uPrefFormC.h"
#include "Transformations/uManualTransform.h"

namespace tess::app {

TDFMApp::TDFMApp()
    : FSettings(std::make_unique<TDFMSettings>()), FPlacement(std::make_unique<batch::TDFMBackup>(*FSettings)) {
  FSettings->Load();
  FLoadProblem = FSettings->LoadError();
}

TDFMApp::~TDFMApp() = default;

TDFMApp& TDFMApp::Instance() {
  static TDFMApp instance;
  return instance;
}

bool TDFMApp::EditTransform(transform::TTransform& ATransform) {
  std::unique_ptr<IModFormWindow> window = WindowFactory().CreateModForm();
  if (window == nullptr) throw EDialogError(u"The transformation editor could not be created");
  auto controller = std::make_unique<TModFormC>();
  // The window lets go of its controller before the controller goes, and the controller before
  // the window goes: the action controller still talks to the frame the window owns.
  struct TRelease {
    std::unique_ptr<IModFormWindow>& Window;
    std::unique_ptr<TModFormC>& Controller;
    ~TRelease() {
      Window->SetController(nullptr);
      Controller.reset();
      Window.reset();
    }
  } release{window, controller};

  controller->Transform().Assign(ATransform);
  controller->AttachView(window->View());
  window->SetController(controller.get());
  if (window->ShowModal() != TModalResult::mrOk) return false;
  ATransform.Assign(controller->Transform());
  return true;
}

std::unique_ptr<transform::TTransform> TDFMApp::NewTransform() {
  std::unique_ptr<transform::TTransform> transform = std::make_unique<transform::TManualTransform>();
  if (!EditTransform(*transform)) return nullptr;
  return transform;
}

void TDFMApp::Options() {
  auto controller = std::make_unique<TPrefFormC>(Settings());
  std::unique_ptr<IPrefFormWindow> window = WindowFactory().CreatePrefForm();
  if (window == nullptr) throw EDialogError(u"The preferences dialog could not be created");
  struct TRelease {
    std::unique_ptr<IPrefFormWindow>& Window;
    std::unique_ptr<TPrefFormC>& Controller;
    ~TRelease() {
      Window->SetController(nullptr);
      Controller->AttachView(nullptr);
      Window.reset();
      Controller.reset();
    }
  } release{window, controller};

  window->SetController(controller.get());
  controller->AttachView(window->View());
  // The result tells nothing: the dialog closes only after CanExit stored the controls.
  window->ShowModal();
  Settings().Save();
}

std::u16string TDFMApp::TakeLoadProblem() { return std::exchange(FLoadProblem, std::u16string()); }

}  // namespace tess::app
