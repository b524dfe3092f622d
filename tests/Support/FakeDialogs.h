// Message boxes and window factory that record what they were asked and answer as the test says,
// and the base of the tests that install them.
#pragma once

#include <gtest/gtest.h>

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

// A test with the fake message box and window factory installed for its whole run.
class TFakeDialogsTest : public ::testing::Test {
protected:
  TFakeDialogsTest() {
    app::SetMessageBox(&Messages);
    app::SetWindowFactory(&Factory);
  }
  ~TFakeDialogsTest() override {
    app::SetMessageBox(nullptr);
    app::SetWindowFactory(nullptr);
  }

  TFakeMessageBox Messages;
  TFakeWindowFactory Factory;
};

}  // namespace tess::testing
