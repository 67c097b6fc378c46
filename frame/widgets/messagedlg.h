// The module's message box dialog.
#pragma once

// Routes ShowMessageBox to the real dialog.
void InstallMessageDialogPresenter();
