#include "App/uDialogs.h"

namespace tess::app {

namespace {
// Used on the user-interface thread only, like the dialogs themselves.
IDMessageBox* GMessageBox = nullptr;
IDWindowFactory* GWindowFactory = nullptr;
}  // namespace

void SetMessageBox(IDMessageBox* AMessageBox) { GMessageBox = AMessageBox; }

IDMessageBox& MessageBox() {
  if (GMessageBox == nullptr) throw EDialogError(u"No message box is installed");
  return *GMessageBox;
}

void SetWindowFactory(IDWindowFactory* AFactory) { GWindowFactory = AFactory; }

IDWindowFactory& WindowFactory() {
  if (GWindowFactory == nullptr) throw EDialogError(u"No window factory is installed");
  return *GWindowFactory;
}

}  // namespace tess::app
