// Every address the module hands to the desktop's browser goes through OpenBrowser, as every file
// choice goes through ShowOpenFileDialog: the desktop's URL handler is installed with the widgets, and
// tests replace the opener to read back what would have been opened.
#pragma once

#include <functional>
#include <string>

// url: plain ASCII (the module builds it from encoded parts). Non-zero when the desktop took it.
int OpenBrowser(const std::string& url);

using UrlOpener = std::function<bool(const std::string& url)>;
// Installs the opener and returns the previous one.
UrlOpener SetUrlOpener(UrlOpener opener);
bool HasUrlOpener();

// The desktop's URL handler (QDesktopServices); needs a GUI application. Built with the widgets.
void InstallDesktopUrlOpener();
