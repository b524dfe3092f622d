// The backup options of the replacing method, placed as the fixed-size dialog expects.
#include "App/Gui/uPrefReplaceFrame.h"

#include <QCheckBox>
#include <QGroupBox>

#include "App/Gui/uActionFrame.h"
#include "App/Gui/uFolderChoice.h"

namespace tess::gui {

TPrefReplaceFrame::TPrefReplaceFrame(QWidget* AParent) : QWidget(AParent) {
  InitDialogImages();
  resize(368, 194);
  chBackup = new QCheckBox(QStringLiteral("Backup files"), this);
  chBackup->setGeometry(16, 13, 337, 21);
  chBackup->setChecked(true);
  gbBackupOptions = new QGroupBox(QStringLiteral("Backup options"), this);
  gbBackupOptions->setGeometry(16, 41, 337, 137);
  const TFolderChoice choice = AddFolderChoice(gbBackupOptions, QStringLiteral("Backup to same folder"),
                                               QStringLiteral("Backup to a separate folder"), [this] {
                                                 if (FOnBrowse) FOnBrowse(this);
                                               });
  rbSame = choice.Same;
  rbSeparate = choice.Separate;
  edBackupPath = choice.Path;
  chOverride = new QCheckBox(QStringLiteral("Overwrite existing backup"), gbBackupOptions);
  chOverride->setGeometry(16, 108, 305, 21);
}

}  // namespace tess::gui
