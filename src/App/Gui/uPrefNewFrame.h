// The preferences frame of the new-file method: where the new file goes.
#pragma once

#include <QWidget>

#include <functional>

class QGroupBox;
class QRadioButton;

namespace tess::gui {

class TButtonedEdit;

class TPrefNewFrame : public QWidget {
public:
  explicit TPrefNewFrame(QWidget* AParent = nullptr);

  QGroupBox* gbBackupOptions;
  QRadioButton* rbSame;
  QRadioButton* rbSeparate;
  // Holds the output folder, despite the name the two frames share.
  TButtonedEdit* edBackupPath;

  // Called with the frame when its browse button is pressed.
  std::function<void(QWidget* ASender)> FOnBrowse;
};

}  // namespace tess::gui
