// The preferences dialog's logic: settings into the controls, folder checks, controls back into the settings.
#pragma once

#include "App/uDFMSettings.h"
#include "App/uPrefForm.h"
#include "Shared/Common/uDObject.h"

namespace tess::app {

class TPrefFormC : public common::TDObject, public IPrefFormC {
public:
  // Edits the application object's settings.
  TPrefFormC();
  explicit TPrefFormC(TDFMSettings& ASettings);

  // Stores the dialog and, when there is one, loads the settings into its controls. Every write
  // goes through the controls, so the dialog's own handlers keep its enabled states in step.
  void AttachView(IPrefForm* AView);
  IPrefForm* View() const { return FView; }

  // Only a chosen separate folder of the chosen method is checked; when it does not exist the
  // user is warned with "Folder does not exist." and the settings stay as they were.
  bool CanExit() override;
  // The picked folder goes to the field of the chosen method. The picker starts where it was
  // last confirmed in this dialog, not at the field's text.
  void SetPath() override;

private:
  void Load();
  bool Validate();
  void Store();

  IPrefForm* FView = nullptr;
  TDFMSettings& FSettings;
};

}  // namespace tess::app
