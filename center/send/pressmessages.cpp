#include "center/send/pressmessages.h"

#include "frame/log.h"
#include "frame/messagebox.h"

void ShowPressRefusal(std::vector<std::string>& shown, const ProgressHooks& progress,
                      const std::string& text) {
    shown.push_back(text);
    progress.Hide();
    ShowMessageBox(text, MB_OK);
}

void ShowPressFailure(std::vector<std::string>& shown, const ProgressHooks& progress,
                      const std::string& text) {
    shown.push_back(text);
    progress.Hide();
    LogAndShow(text, 1);
}

void ShowPressReport(std::vector<std::string>& shown, const ProgressHooks& progress, const std::string& text,
                     const std::function<void()>& beforeShown) {
    shown.push_back(text);
    progress.Hide();
    if (beforeShown)
        beforeShown();
    ShowMessageBox(text, MB_OK, kColorSuccess);
}
