// Message boxes and the modal windows, which the desktop program draws and tests script.
#pragma once

#include <memory>
#include <string>

#include "App/uModForm.h"
#include "App/uPrefForm.h"
#include "Shared/Common/uException.h"

namespace tess::app {

class IDMessageBox {
public:
  // A question with the buttons Yes and No, No being the default (Enter answers No). True only
  // for Yes.
  virtual bool Confirm(const std::u16string& AText) = 0;
  // A warning with the single button OK.
  virtual void Warning(const std::u16string& AText) = 0;

protected:
  ~IDMessageBox() = default;
};

enum class TModalResult { mrNone, mrOk, mrCancel };

// A window made for one modal run. Unlike the control interfaces these are owned: the factory
// hands the window over and the caller destroys it once the run is over.
class IModFormWindow {
public:
  virtual ~IModFormWindow() = default;
  virtual IModForm* View() = 0;
  // The controller the window forwards the user's commands to; null detaches it.
  virtual void SetController(IModFormC* AController) = 0;
  // mrOk only when the user pressed OK and the controller's Check let the window close.
  virtual TModalResult ShowModal() = 0;
};

class IPrefFormWindow {
public:
  virtual ~IPrefFormWindow() = default;
  virtual IPrefForm* View() = 0;
  virtual void SetController(IPrefFormC* AController) = 0;
  // The dialog closes only once the controller's CanExit accepted the close.
  virtual TModalResult ShowModal() = 0;
};

class IDWindowFactory {
public:
  virtual std::unique_ptr<IModFormWindow> CreateModForm() = 0;
  virtual std::unique_ptr<IPrefFormWindow> CreatePrefForm() = 0;

protected:
  ~IDWindowFactory() = default;
};

// Asking for a message box or a window that nobody installed: a program set up wrongly. It is
// raised rather than answered, because a command that cannot ask the user must not carry on as
// if the user had answered.
class EDialogError : public common::Exception {
public:
  using Exception::Exception;
};

// The program's message boxes and window factory, installed on the user-interface thread at
// start-up (tests install fakes) and never owned here; null uninstalls.
void SetMessageBox(IDMessageBox* AMessageBox);
// Raises EDialogError when none is installed.
IDMessageBox& MessageBox();
void SetWindowFactory(IDWindowFactory* AFactory);
// Raises EDialogError when none is installed.
IDWindowFactory& WindowFactory();

}  // namespace tess::app
