// Message boxes and window factory that record what they were asked and answer as the test says.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "App/uDialogs.h"
#include "Support/FakeModForm.h"
#include "Support/FakePrefForm.h"

namespace tess::testing {

class TFakeMessageBox : public common::TDObject, public app::IDMessageBox {
public:
  struct TAsked {
    std::u16string Kind;  // "Confirm" or "Warning"
    std::u16string Text;
    bool operator==(const TAsked&) const = default;
  };

  bool Confirm(const std::u16string& AText) override {
    Asked.push_back({u"Confirm", AText});
    return Answer;
  }
  void Warning(const std::u16string& AText) override { Asked.push_back({u"Warning", AText}); }

  // The answer to every confirmation. No is what the default button (and Enter) gives.
  bool Answer = false;
  std::vector<TAsked> Asked;
};

// Makes the modal windows the tests script, one script per kind for every window made.
class TFakeWindowFactory : public common::TDObject, public app::IDWindowFactory {
public:
  std::unique_ptr<app::IModFormWindow> CreateModForm() override {
    ++ModFormsMade;
    return std::make_unique<TFakeModFormWindow>(ModFormScript, [this](TFakeModFormWindow& AWindow) {
      ++ModFormsDestroyed;
      // The controller must have been let go of before the window goes.
      if (AWindow.Form.Controller() != nullptr) ++DestroyedWithController;
    });
  }
  std::unique_ptr<app::IPrefFormWindow> CreatePrefForm() override {
    ++PrefFormsMade;
    return std::make_unique<TFakePrefFormWindow>(PrefFormScript);
  }

  TFakeModFormWindow::TScript ModFormScript;
  TFakePrefFormWindow::TScript PrefFormScript;
  int ModFormsMade = 0;
  int ModFormsDestroyed = 0;
  int DestroyedWithController = 0;
  int PrefFormsMade = 0;
};

// Installs the message box and the window factory for one test and uninstalls them after.
class TScopedDialogs {
public:
  TScopedDialogs(app::IDMessageBox* AMessageBox, app::IDWindowFactory* AFactory) {
    app::SetMessageBox(AMessageBox);
    app::SetWindowFactory(AFactory);
  }
  ~TScopedDialogs() {
    app::SetMessageBox(nullptr);
    app::SetWindowFactory(nullptr);
  }
  TScopedDialogs(const TScopedDialogs&) = delete;
  TScopedDialogs& operator=(const TScopedDialogs&) = delete;
};

}  // namespace tess::testing
