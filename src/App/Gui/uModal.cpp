#include "App/Gui/uModal.h"

#include <QApplication>
#include <QDialog>
#include <QScreen>

namespace tess::gui {

bool ExecCentredModal(QDialog& ADialog) {
  QWidget* opener = QApplication::activeWindow();
  const QRect over = opener != nullptr && opener != &ADialog ? opener->frameGeometry()
                     : ADialog.screen() != nullptr          ? ADialog.screen()->availableGeometry()
                                                            : QRect();
  if (over.isValid()) ADialog.move(over.center() - ADialog.rect().center());
  ADialog.setWindowModality(Qt::ApplicationModal);
  return ADialog.exec() == QDialog::Accepted;
}

}  // namespace tess::gui
