// The folder choice both preference frames show: the file's own folder, or a separate one typed in
// or browsed to.
#pragma once

#include <QString>

#include <functional>

class QGroupBox;
class QRadioButton;

namespace tess::gui {

class TButtonedEdit;

struct TFolderChoice {
  QRadioButton* Same;
  QRadioButton* Separate;
  TButtonedEdit* Path;  // disabled until Separate is chosen
};

// Adds the two choices and the path under them to AGroup, placed as the fixed-size dialog expects;
// the path's button calls AOnBrowse.
TFolderChoice AddFolderChoice(QGroupBox* AGroup, const QString& ASame, const QString& ASeparate,
                              std::function<void()> AOnBrowse);

}  // namespace tess::gui
