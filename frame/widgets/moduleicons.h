// The module's icons, drawn in code so the library carries no image files.
#pragma once

#include <QPixmap>

namespace zmsg {

// Icon resource numbers the dialogs refer to.
enum ModuleIconId : int {
    kIconApp = 153,      // the module's own icon
    kIconQuestion = 154, // message box: yes/no questions
    kIconInfo = 155,     // message box: plain notices
    kIconGridMark = 255, // 16 x 16 mark for grid image lists
    kIconError = 27169,  // message box: errors
};

// A square pixmap of the icon; a null pixmap for an unknown number.
QPixmap ModuleIcon(int id, int size = 32);

} // namespace zmsg
