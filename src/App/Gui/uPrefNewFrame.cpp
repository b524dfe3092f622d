// The output options of the new-file method, placed as the fixed-size dialog expects.
#include "App/Gui/uPrefNewFrame.h"

#include <QGroupBox>

#include "App/Gui/uActionFrame.h"
#include "App/Gui/uFolderChoice.h"

namespace tess::gui {

TPrefNewFrame::TPrefNewFrame(QWidget* AParent) : QWidget(AParent) {
  InitDialogImages();
  resize(368, 160);
  gbBackupOptions = new QGroupBox(QStringLiteral("Options"), this);
  gbBackupOptions->setGeometry(16, 17, 337, 120);
  const TFolderChoice choice = AddFolderChoice(gbBackupOptions, QStringLiteral("Save to same folder"),
                                               QStringLiteral("Save to a separate folder"), [this] {
                                                 if (FOnBrowse) FOnBrowse(this);
                                               });
  rbSame = choice.Same;
  rbSeparate = choice.Separate;
  edBackupPath = choice.Path;
}

}  // namespace tess::gui
