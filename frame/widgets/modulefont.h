// The module's faces. One family carries Latin, digits and Hangul alike, so a line of a message, a
// grid row or a symbol table never mixes faces (a face without Hangul pulls the syllables from
// another one, in another weight and width).
#pragma once

#include <QFont>

class QWidget;

// NanumGothic, then the Windows face the dialogs were drawn for where a system has it.
QFont ModuleFont(int pointSize = 9);
// The fixed-pitch face of the LMS editor, where 16 bytes make a line.
QFont ModuleFixedFont(int pixelSize);
// Gives a module window the module's face; its children inherit it.
void ApplyModuleFont(QWidget* window, int pointSize = 9);
