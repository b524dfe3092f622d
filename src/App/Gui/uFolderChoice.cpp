#include "App/Gui/uFolderChoice.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QToolButton>

#include "App/Gui/uVCLControls.h"

namespace tess::gui {

TFolderChoice AddFolderChoice(QGroupBox* AGroup, const QString& ASame, const QString& ASeparate,
                              std::function<void()> AOnBrowse) {
  TFolderChoice choice{new QRadioButton(ASame, AGroup), new QRadioButton(ASeparate, AGroup), new TButtonedEdit(AGroup)};
  choice.Same->setGeometry(16, 24, 305, 21);
  choice.Same->setChecked(true);
  choice.Separate->setGeometry(16, 52, 305, 21);
  choice.Path->setGeometry(32, 79, 289, 23);
  choice.Path->setEnabled(false);
  choice.Path->Button()->setIcon(QIcon(QStringLiteral(":/dialogs/browse.png")));
  choice.Path->Button()->setToolTip(QStringLiteral("Browse"));
  QObject::connect(choice.Path, &TButtonedEdit::ButtonClicked, AGroup, std::move(AOnBrowse));
  return choice;
}

}  // namespace tess::gui
