// The backup options of the replacing method, placed as the fixed-size dialog expects.
#include "App/Gui/uPrefReplaceFrame.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QToolButton>

#include "App/Gui/uActionFrame.h"
#include "App/Gui/uVCLControls.h"

namespace tess::gui {

TPrefReplaceFrame::TPrefReplaceFrame(QWidget* AParent) : QWidget(AParent) {
  InitDialogImages();
  resize(368, 194);
  chBackup = new QCheckBox(QStringLiteral("Backup files"), this);
  chBackup->setGeometry(16, 13, 337, 21);
  chBackup->setChecked(true);
  gbBackupOptions = new QGroupBox(QStringLiteral("Backup options"), this);
  gbBackupOptions->setGeometry(16, 41, 337, 137);
  rbSame = new QRadioButton(QStringLiteral("Backup to same folder"), gbBackupOptions);
  rbSame->setGeometry(16, 24, 305, 21);
  rbSame->setChecked(true);
  rbSeparate = new QRadioButton(QStringLiteral("Backup to a separate folder"), gbBackupOptions);
  rbSeparate->setGeometry(16, 52, 305, 21);
  edBackupPath = new TButtonedEdit(gbBackupOptions);
  edBackupPath->setGeometry(32, 79, 289, 23);
  edBackupPath->setEnabled(false);
  edBackupPath->Button()->setIcon(QIcon(QStringLiteral(":/dialogs/browse.png")));
  edBackupPath->Button()->setToolTip(QStringLiteral("Browse"));
  chOverride = new QCheckBox(QStringLiteral("Overwrite existing backup"), gbBackupOptions);
  chOverride->setGeometry(16, 108, 305, 21);
  connect(edBackupPath, &TButtonedEdit::ButtonClicked, this, [this] {
    if (FOnBrowse) FOnBrowse(this);
  });
}

}  // namespace tess::gui
