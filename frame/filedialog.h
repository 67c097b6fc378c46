// Every file the user picks goes through ShowOpenFileDialog, as every message goes through
// ShowMessageBox: the dialog itself lives with the widgets, and tests replace the presenter to
// script the choice and read back what was offered.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

struct OpenFileRequest {
    // Extension added to a typed name that has none, without the dot ("jpg").
    std::string defaultExt;
    // The classic filter form, CP949: "text|patterns|text|patterns||"; an empty text ends the list,
    // so entries after a "||" are never offered. Patterns are separated by ';'.
    std::string filter;
    bool mustExist = true;
};

// The chosen path (a file-system name, not CP949), or nullopt when the user cancelled.
std::optional<std::string> ShowOpenFileDialog(const OpenFileRequest& request, QWidget* parent = nullptr);

using FileDialogPresenter = std::function<std::optional<std::string>(const OpenFileRequest&, QWidget*)>;
// Installs the presenter and returns the previous one.
FileDialogPresenter SetFileDialogPresenter(FileDialogPresenter presenter);
bool HasFileDialogPresenter();

struct FileFilterEntry {
    std::string text;                  // CP949
    std::vector<std::string> patterns; // "*.jpg", ...
};
// The entries a filter string offers, in order, up to the first empty text.
std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter);
