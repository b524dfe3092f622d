// The preferences frame of the replacing method: whether and where a backup is kept.
#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QGroupBox;
class QRadioButton;

namespace tess::gui {

class TButtonedEdit;

class TPrefReplaceFrame : public QWidget {
public:
  explicit TPrefReplaceFrame(QWidget* AParent = nullptr);

  QCheckBox* chBackup;
  QGroupBox* gbBackupOptions;
  QRadioButton* rbSame;
  QRadioButton* rbSeparate;
  TButtonedEdit* edBackupPath;
  QCheckBox* chOverride;

  // Called with the frame when its browse button is pressed.
  std::function<void(QWidget* ASender)> FOnBrowse;
};

}  // namespace tess::gui
