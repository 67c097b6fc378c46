#include "optout/notice.h"

#include "frame/log.h"
#include "frame/messagebox.h"

void ShowNotice(const UserNotice& notice) {
    if (notice.empty())
        return;
    if (notice.logLevel < 0)
        ShowMessageBox(notice.text);
    else
        LogAndShow(notice.text, notice.logLevel);
}
