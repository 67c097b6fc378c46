// Every message and question the module shows goes through ShowMessageBox.
// The dialog itself lives with the widgets; logic code only sees this function, and tests
// replace the presenter to script answers and read back what was shown.
#pragma once

#include <functional>
#include <string>

class QWidget;

// Message box type bits (the classic style values the callers pass).
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
};
// Results.
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };
// Colour of success reports: dark blue (red in the low byte).
constexpr unsigned kColorSuccess = 0x9B0000;
// The question every "go on?" prompt uses: yes/no, question icon, No preselected.
constexpr unsigned kQuestionNoDefault = 0x124;

// text: CP949. Returns the code the box ended with.
int ShowMessageBox(const std::string& text, unsigned type = MB_OK, unsigned textColor = 0, int closeKey = 0,
                   QWidget* parent = nullptr);

using MessagePresenter = std::function<int(const std::string& text, unsigned type, unsigned textColor,
                                           int closeKey, QWidget* parent)>;
// Installs the presenter and returns the previous one.
MessagePresenter SetMessagePresenter(MessagePresenter presenter);
bool HasMessagePresenter();
