// The application object: owns the preferences for the whole run of the program.
#pragma once

#include <memory>
#include <string>

#include "App/uDFMSettings.h"
#include "Batch/uDFMBackup.h"

namespace tess::transform {
class TTransform;
}

namespace tess::app {

class TDFMApp {
public:
  // Makes the settings with their defaults and loads "Preferences.xml" over them when it exists.
  // A file that cannot be read never stops the start: see LoadProblem.
  TDFMApp();
  ~TDFMApp();
  TDFMApp(const TDFMApp&) = delete;
  TDFMApp& operator=(const TDFMApp&) = delete;

  // The process-wide application object, made on first use (start-up asks for it first, on the
  // user-interface thread) and freed when the program ends, without saving.
  static TDFMApp& Instance();

  TDFMSettings& Settings() { return *FSettings; }
  // The output placement over these settings, shared by every run of the program.
  batch::TDFMBackup& Placement() { return *FPlacement; }

  // The modal dialogs, through the installed window factory (uDialogs). Each window and its
  // controller are freed when the dialog is over, also when an error passes.

  // Edits a copy of ATransform in the transformation editor; only OK copies the edit back, and
  // then the result is true. Saving the transformation's file is the caller's business.
  bool EditTransform(transform::TTransform& ATransform);
  // A new user transformation, edited like the above; null when the editor was cancelled.
  std::unique_ptr<transform::TTransform> NewTransform();
  // The preferences dialog; afterwards the settings file is written, however the dialog closed
  // (it closes only once its controller stored the controls). Raises when it cannot be written.
  void Options();

  // What start-up could not read from the settings file, handed out once so that the problem is
  // reported once; empty when there was none or it was already taken.
  std::u16string TakeLoadProblem();

private:
  std::unique_ptr<TDFMSettings> FSettings;
  std::unique_ptr<batch::TDFMBackup> FPlacement;
  std::u16string FLoadProblem;
};

}  // namespace tess::app
