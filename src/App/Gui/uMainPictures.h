// The pictures of the main window, drawn for this program: tool bar, file statuses, details expander.
#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

namespace tess::gui {

// The tool bar's nine commands, in button order: add file, add directory, delete selected,
// start, stop, new, edit and delete transformation, options. 32 by 32.
inline constexpr int ToolPictureCount = 9;
QPixmap ToolPicture(int AIndex);
// The same picture in grey, for a disabled button.
QPixmap Greyed(const QPixmap& APicture);
// An icon with the normal picture and the greyed one as its disabled mode.
QIcon ToolIcon(int AIndex);

// The file table's status images, 16 by 16: 0 success, 1 failure, 2 neutral.
QList<QIcon> StatusImages();
// The form-file icon: the theme's icon for text files, else one drawn here.
QIcon FormFileIcon();

// The expander of the details pane, 9 by 9: 0 collapsed, 1 expanded.
QPixmap DetailsPicture(int AIndex);

}  // namespace tess::gui
