// The output options of the new-file method, placed as the fixed-size dialog expects.
#include "App/Gui/uPrefNewFrame.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QToolButton>

#include "App/Gui/uActionFrame.h"
#include "App/Gui/uVCLControls.h"

namespace tess::gui {

TPrefNewFrame::TPrefNewFrame(QWidget* AParent) : QWidget(AParent) {
  InitDialogImages();
  resize(368, 160);
  gbBackupOptions = new QGroupBox(QStringLiteral("Options"), this);
  gbBackupOptions->setGeometry(16, 17, 337, 120);
  rbSame = new QRadioButton(QStringLiteral("Save to same folder"), gbBackupOptions);
  rbSame->setGeometry(16, 24, 305, 21);
  rbSame->setChecked(true);
  rbSeparate = new QRadioButton(QStringLiteral("Save to a separate folder"), gbBackupOptions);
  rbSeparate->setGeometry(16, 52, 305, 21);
  edBackupPath = new TButtonedEdit(gbBackupOptions);
  edBackupPath->setGeometry(32, 79, 289, 23);
  edBackupPath->setEnabled(false);
  edBackupPath->Button()->setIcon(QIcon(QStringLiteral(":/dialogs/browse.png")));
  edBackupPath->Button()->setToolTip(QStringLiteral("Browse"));
  connect(edBackupPath, &TButtonedEdit::ButtonClicked, this, [this] {
    if (FOnBrowse) FOnBrowse(this);
  });
}

}  // namespace tess::gui
